#pragma once

#include <cstdint>

namespace ps {

// The functions of the 16-bit helper that reads discs in MSCDEX mode, one for each of its
// prototypes and in their binding order (int16 is std::int16_t, long16 std::int32_t).
// The helper keeps its own disc table and statistics and answers through these.
class HelperBackend {
  public:
    virtual ~HelperBackend() = default;

    // Default drive index (0 = A:, 0 also meaning none), and the version: major in the
    // high byte, minor in the low byte.
    virtual std::int16_t CheckMscdex() = 0;
    virtual std::int16_t CheckMscdexVersion() = 0;
    // Frames wanted, synchronisation overlap, continue after lost synch (1 or 0); result:
    // the frames the helper works with, 0 on failure.
    virtual std::int16_t StartInterfacing(std::int16_t framesWanted,
                                          std::int16_t synchronizationOverlap,
                                          std::int16_t continueAfterLostSynch) = 0;
    virtual std::int16_t StopInterfacing() = 0;
    virtual std::int16_t GetDiskInfo() = 0;
    virtual std::int32_t GetTrackInfo(std::int16_t track) = 0;
    virtual std::int16_t GetLowest() = 0;
    virtual std::int16_t GetHighest() = 0;
    virtual std::int32_t GetTotalTime() = 0;
    virtual std::int16_t GetLowNorm() = 0;
    virtual std::int16_t GetHighNorm() = 0;
    virtual std::int16_t StopAudio() = 0;
    virtual std::int16_t ResumeAudio() = 0;
    virtual std::int16_t FlushBuffer() = 0;
    virtual std::int16_t IsPlaying() = 0;
    virtual std::int16_t PlayAudio(std::int32_t startSector, std::int32_t sectorCount) = 0;
    virtual std::int32_t GetHeadLocation() = 0;
    // Starts an asynchronous recording; non-zero when started.
    virtual std::int16_t StartRecord(std::int32_t startSector, std::int32_t endSector,
                                     std::int16_t leadingSilenceLimit,
                                     std::int16_t trailingSilenceLimit, std::int16_t options,
                                     std::int16_t checksumOff, std::int16_t skipSectors) = 0;
    virtual void EndRecord() = 0;
    virtual void QuitRecord() = 0;
    virtual std::int32_t ContinueRecord() = 0;
    virtual std::int32_t GetNextSec() = 0;
    virtual std::int16_t GetTemporaryHigh() = 0;
    virtual std::int16_t GetTemporaryLow() = 0;
    virtual std::int16_t TestChecksum() = 0;
    virtual std::int32_t GetCheckSum() = 0;
    // 0 for the first drive, 1 for the next; 255 when there are no more.
    virtual std::int16_t GetDrvNumber(std::int16_t firstOrNext) = 0;
    virtual void ChangeDrive(std::int16_t driveIndex) = 0;
};

}  // namespace ps

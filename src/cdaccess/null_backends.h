#pragma once

#include "cdaccess/analog_backend.h"
#include "cdaccess/aspi_backend.h"
#include "cdaccess/helper_backend.h"

namespace ps {

// Stand-ins for back-ends that are not there: every operation answers "nothing" (0, no
// drive, no position) and touches neither the disc table nor the statistics.

// No ASPI manager is loaded and no drive is listed.
class NullAspiBackend final : public AspiBackend {
  public:
    bool loaded() const override { return false; }
    std::int16_t StartInterfacing(const std::string&, std::string&) override { return 0; }
    int discoverDrives() override { return 0; }
    void selectDrive(int) override {}
    int driveCount() const override { return 0; }
    int selectedDrive() const override { return -1; }
    std::string driveName(int) const override { return {}; }
    std::string managerText() const override { return "Aspi not installed"; }
    int GetDiskInfo(DiscTable&) override { return 0; }
    int PlayAudio(std::int32_t, std::int32_t) override { return 0; }
    int StopAudio() override { return 0; }
    int ResumeAudio() override { return 0; }
    std::int32_t GetHeadLocation() override { return 0; }
    void loadDisc() override {}
    void ejectDisc() override {}
    int StartRecord(const RecordRequest&, const DiscTable&, ExtractionStatistics&) override;
    std::int32_t GetNextSec() override { return 0; }
};

// No CD audio device answers and no sound input device exists.
class NullAnalogBackend final : public AnalogBackend {
  public:
    bool soundInputPresent() const override { return false; }
    int GetDiskInfo(int, std::uint8_t, DiscTable&) override { return 0; }
    int PlayAudio(int, std::int32_t, std::int32_t) override { return 0; }
    void StopAudio(int) override {}
    int ResumeAudio(int) override { return 0; }
    std::int32_t GetHeadLocation() override { return 0; }
    void closeDoor(int) override {}
    void openDoor(int) override {}
    int StartRecord(int, const RecordRequest&, const DiscTable&, ExtractionStatistics&) override;
};

// A helper that is not loaded; its drive list is empty.
class NullHelperBackend final : public HelperBackend {
  public:
    std::int16_t CheckMscdex() override { return 0; }
    std::int16_t CheckMscdexVersion() override { return 0; }
    std::int16_t StartInterfacing(std::int16_t, std::int16_t, std::int16_t) override { return 0; }
    std::int16_t StopInterfacing() override { return 0; }
    std::int16_t GetDiskInfo() override { return 0; }
    std::int32_t GetTrackInfo(std::int16_t) override { return 0; }
    std::int16_t GetLowest() override { return 0; }
    std::int16_t GetHighest() override { return 0; }
    std::int32_t GetTotalTime() override { return 0; }
    std::int16_t GetLowNorm() override { return 0; }
    std::int16_t GetHighNorm() override { return 0; }
    std::int16_t StopAudio() override { return 0; }
    std::int16_t ResumeAudio() override { return 0; }
    std::int16_t FlushBuffer() override { return 0; }
    std::int16_t IsPlaying() override { return 0; }
    std::int16_t PlayAudio(std::int32_t, std::int32_t) override { return 0; }
    std::int32_t GetHeadLocation() override { return 0; }
    std::int16_t StartRecord(std::int32_t, std::int32_t, std::int16_t, std::int16_t, std::int16_t,
                             std::int16_t, std::int16_t) override;
    void EndRecord() override {}
    void QuitRecord() override {}
    std::int32_t ContinueRecord() override { return 0; }
    std::int32_t GetNextSec() override { return 0; }
    std::int16_t GetTemporaryHigh() override { return 0; }
    std::int16_t GetTemporaryLow() override { return 0; }
    std::int16_t TestChecksum() override { return 0; }
    std::int32_t GetCheckSum() override { return 0; }
    std::int16_t GetDrvNumber(std::int16_t) override;
    void ChangeDrive(std::int16_t) override {}
};

}  // namespace ps

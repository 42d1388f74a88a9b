#pragma once

#include <cstdint>

#include "cdaccess/backend_types.h"
#include "cdaccess/disc_table.h"

namespace ps {

// The platform CD audio device for navigation and the sound card for sound: what ANALOG
// mode needs, plus the door commands that MSCDEX mode borrows. Every call names the drive
// (0 = A:); the device is opened per command except while a range plays.
class AnalogBackend {
  public:
    virtual ~AnalogBackend() = default;

    // True when a sound input device exists to record the drive's output.
    virtual bool soundInputPresent() const = 0;

    // Device status queries into the table (flag 0), or only track 2's position kept for
    // the grab job (flag 1): 256 on success, 0 when the device could not be opened.
    virtual int GetDiskInfo(int drive, std::uint8_t flag, DiscTable& table) = 0;
    // Plays start .. start + count and keeps the device open: 1 on success.
    virtual int PlayAudio(int drive, std::int32_t startSector, std::int32_t sectorCount) = 0;
    // Closes a playing device and stops the drive.
    virtual void StopAudio(int drive) = 0;
    // Plays again from the last known position: 1 on success.
    virtual int ResumeAudio(int drive) = 0;
    // The play position, or the last known one when the query fails or nothing plays.
    virtual std::int32_t GetHeadLocation() = 0;

    // Door commands; each closes a playing device first.
    virtual void closeDoor(int drive) = 0;
    virtual void openDoor(int drive) = 0;

    // The analog grab of a range: resets and fills the statistics and returns one of the
    // record_result codes.
    virtual int StartRecord(int drive, const RecordRequest& request, const DiscTable& table,
                            ExtractionStatistics& statistics) = 0;
};

}  // namespace ps

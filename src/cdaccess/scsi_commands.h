#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/pass_through.h"

namespace ps {

inline constexpr std::uint32_t kRawSectorBytes = 2352;
inline constexpr int kSectorsPerRead = 26;
// A read declares room for one sector more than it asks for.
inline constexpr std::uint32_t kAudioReadDataLength = 27 * kRawSectorBytes;
inline constexpr std::uint32_t kTocBufferLength = 804;

namespace scsi_timeout {
inline constexpr int kShort = 3000;  // inquiry, sub-channel, play, pause, resume, speed, sense
inline constexpr int kToc = 6000;
inline constexpr int kDoor = 15000;  // eject and load
inline constexpr int kRead = 5000;   // one extraction request
inline constexpr int kPolled = 8000;
}  // namespace scsi_timeout

// One command as it goes to the drive: the command bytes, the length the request
// block declares for them (not always the command's own size), the data phase and
// how completion is awaited.
struct ScsiCommand {
    std::array<std::uint8_t, 16> cdb{};
    std::uint8_t cdbLength = 6;
    DataDirection direction = DataDirection::None;
    std::uint32_t dataLength = 0;
    bool polled = false;  // no completion event: the status is polled
    int timeoutMs = scsi_timeout::kShort;
    bool beepAround = false;  // door commands beep before and after a long wait
};

ScsiCommand rezeroUnitCommand();
ScsiCommand inquiryCommand();
ScsiCommand ejectCommand();
ScsiCommand loadCommand();
ScsiCommand readTocCommand();
ScsiCommand readSubChannelCommand();
// Negative counts are sent as 0.
ScsiCommand playAudioCommand(std::int32_t startSector, std::int32_t sectorCount);
ScsiCommand pauseCommand();
ScsiCommand resumeCommand();
ScsiCommand setCdSpeedCommand(int kilobytesPerSecond);
// The capabilities page: the 6-byte form for families 3 and 8, the 10-byte form otherwise.
ScsiCommand capabilitiesModeSenseCommand(int family);
// The mode sense that precedes the family-2 mode select.
ScsiCommand toshibaOldModeSenseCommand();

// The audio read of one extraction request for a drive family. The count is clamped
// to 0..26, the most one 27-sector buffer takes. Completion is by event with the read
// time-out; the extraction changes `polled` and `timeoutMs` as its copy needs.
ScsiCommand audioReadCommand(int family, std::int32_t startSector, int sectorCount);

// A mode-select parameter list with the command that sends it.
struct ModeSelect {
    std::vector<std::uint8_t> parameters;  // the whole buffer; dataLength bytes are sent
    ScsiCommand command;
};

// The mode selects that put a family into the 2352-byte audio read mode (and choose
// its speed), in the order they are sent; empty for families that need none.
std::vector<ModeSelect> readModeSelects(int family, int speedIndex);
// The mode select that returns the drive to 2048-byte data blocks.
ModeSelect restoreModeSelect(int family);

// Read speed fields of a capabilities page answer (either form).
int capabilitiesCurrentSpeed(const std::uint8_t* answer);
int capabilitiesMaximumSpeed(const std::uint8_t* answer);

// Absolute head position of a READ SUB-CHANNEL answer (low 24 bits of the address).
std::int32_t subChannelPosition(const std::uint8_t* answer);

}  // namespace ps

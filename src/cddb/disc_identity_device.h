#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ps {

// A position on the disc as the CD audio device reports it: minutes, seconds and frames
// counted from the very start of the disc (the two-second lead-in included).
struct MsfTime {
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
};

inline std::int32_t msfFrames(const MsfTime& time) {
    return time.minutes * 4500 + time.seconds * 75 + time.frames;
}

// What disc identification needs from the platform's CD audio device. Drives are drive
// indices (0 = A:). One device is open at a time; the queries ask the open device.
class DiscIdentityDevice {
  public:
    virtual ~DiscIdentityDevice() = default;

    // Opens the device on the drive, shareable or for this program alone. True on success.
    virtual bool open(int drive, bool shareable) = 0;
    virtual void close() = 0;
    // The disc's media identity text (a decimal number); nullopt when the query fails.
    virtual std::optional<std::string> mediaIdentity() = 0;
    // The start of a track; nullopt when the query fails (no such track, no disc).
    virtual std::optional<MsfTime> trackPosition(int track) = 0;
};

// The operating system's view of a CD drive as a mounted volume. A drive whose disc is
// not mounted has neither value.
class DriveVolumeView {
  public:
    virtual ~DriveVolumeView() = default;

    // Total size of the volume in bytes.
    virtual std::optional<std::uint64_t> totalBytes(int drive) const = 0;
    // The volume serial number of the drive's root directory.
    virtual std::optional<std::uint32_t> volumeSerial(int drive) const = 0;
};

}  // namespace ps

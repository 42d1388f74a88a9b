#pragma once

#include <cstdint>
#include <optional>

namespace ps {

// The few calls of the platform CD audio device that the table of contents needs to
// find the true end of an enhanced disc's last audio track.
class DriveCdAudio {
  public:
    virtual ~DriveCdAudio() = default;
    // Opens the device on a CD drive (drive index: 0 = A:, 3 = D:, ...).
    virtual bool open(int driveIndex) = 0;
    // Start of a track as a logical sector, on the open device.
    virtual std::optional<std::int32_t> trackStart(int track) = 0;
    // Length of a track in sectors, on the open device.
    virtual std::optional<std::int32_t> trackLength(int track) = 0;
    virtual void close() = 0;
};

}  // namespace ps

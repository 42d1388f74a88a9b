#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "platform/cd_audio_device.h"

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

// The lookup over the platform's CD audio devices, one per drive index. The devices
// are not owned and must outlive the lookup.
class DriveCdAudioDevices final : public DriveCdAudio {
  public:
    void add(int driveIndex, CdAudioDevice* device);

    bool open(int driveIndex) override;
    std::optional<std::int32_t> trackStart(int track) override;
    std::optional<std::int32_t> trackLength(int track) override;
    void close() override;

  private:
    std::map<int, CdAudioDevice*> devices_;
    CdAudioDevice* open_ = nullptr;
};

}  // namespace ps

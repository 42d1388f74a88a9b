#pragma once

#include <optional>
#include <string>

#include "cddb/disc_identity_device.h"
#include "platform/cd_audio_device.h"

namespace ps {

// Disc identification over the platform's CD audio devices, one per drive letter.
class CdAudioDiscIdentity final : public DiscIdentityDevice {
  public:
    explicit CdAudioDiscIdentity(CdAudioDevices* devices) : devices_(devices) {}

    bool open(int drive, bool shareable) override;
    void close() override;
    std::optional<std::string> mediaIdentity() override;
    std::optional<MsfTime> trackPosition(int track) override;

  private:
    CdAudioDevices* devices_;
    CdAudioDevice* open_ = nullptr;
};

// No drive is a mounted volume (audio discs never are, nor is the virtual drive).
class NoMountedVolumes final : public DriveVolumeView {
  public:
    std::optional<std::uint64_t> totalBytes(int) const override { return std::nullopt; }
    std::optional<std::uint32_t> volumeSerial(int) const override { return std::nullopt; }
};

}  // namespace ps

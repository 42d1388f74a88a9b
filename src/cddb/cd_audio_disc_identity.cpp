#include "cddb/cd_audio_disc_identity.h"

namespace ps {

bool CdAudioDiscIdentity::open(int drive, bool shareable) {
    close();
    CdAudioDevice* device = devices_ != nullptr ? devices_->device(drive) : nullptr;
    if (device == nullptr || device->open(shareable) != cd_audio_error::kNone) {
        return false;
    }
    if (device->setTimeFormatMsf() != cd_audio_error::kNone) {
        device->close();
        return false;
    }
    open_ = device;
    return true;
}

void CdAudioDiscIdentity::close() {
    if (open_ != nullptr) {
        open_->close();
        open_ = nullptr;
    }
}

std::optional<std::string> CdAudioDiscIdentity::mediaIdentity() {
    std::uint32_t identity = 0;
    if (open_ == nullptr || open_->mediaIdentity(identity) != cd_audio_error::kNone) {
        return std::nullopt;
    }
    return std::to_string(identity);
}

std::optional<MsfTime> CdAudioDiscIdentity::trackPosition(int track) {
    CdMsf position;
    if (open_ == nullptr || open_->trackPosition(track, position) != cd_audio_error::kNone) {
        return std::nullopt;
    }
    return MsfTime{position.minutes, position.seconds, position.frames};
}

}  // namespace ps

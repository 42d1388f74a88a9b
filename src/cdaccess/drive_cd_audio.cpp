#include "cdaccess/drive_cd_audio.h"

namespace ps {

void DriveCdAudioDevices::add(int driveIndex, CdAudioDevice* device) {
    if (device != nullptr) {
        devices_[driveIndex] = device;
    }
}

bool DriveCdAudioDevices::open(int driveIndex) {
    close();
    auto it = devices_.find(driveIndex);
    if (it == devices_.end() || it->second->open(true) != cd_audio_error::kNone) {
        return false;
    }
    open_ = it->second;
    if (open_->setTimeFormatMsf() != cd_audio_error::kNone) {
        close();
        return false;
    }
    return true;
}

std::optional<std::int32_t> DriveCdAudioDevices::trackStart(int track) {
    CdMsf position;
    if (open_ == nullptr || open_->trackPosition(track, position) != cd_audio_error::kNone) {
        return std::nullopt;
    }
    return position.sector();
}

std::optional<std::int32_t> DriveCdAudioDevices::trackLength(int track) {
    CdMsf length;
    if (open_ == nullptr || open_->trackLength(track, length) != cd_audio_error::kNone) {
        return std::nullopt;
    }
    return length.totalFrames();
}

void DriveCdAudioDevices::close() {
    if (open_ != nullptr) {
        open_->close();
        open_ = nullptr;
    }
}

}  // namespace ps

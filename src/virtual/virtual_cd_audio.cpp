#include "virtual/virtual_cd_audio.h"

#include <vector>

namespace ps {
namespace {

int audioError(const ScsiOutcome& o) {
    if (o.status == scsi_status::kDone) {
        return cd_audio_error::kNone;
    }
    switch (o.sense[2] & 0x0F) {
        case sense_key::kNotReady:
            return cd_audio_error::kNotReady;
        case sense_key::kIllegalRequest:
            return cd_audio_error::kOutOfRange;
        default:
            return cd_audio_error::kHardware;
    }
}

int driverError(const ScsiOutcome& o) {
    if (o.neverCompletes) {
        return cdrom_result::kIoError;
    }
    if (o.status == scsi_status::kDone) {
        return cdrom_result::kOk;
    }
    switch (o.sense[2] & 0x0F) {
        case sense_key::kNotReady:
            return cdrom_result::kNoMedium;
        case sense_key::kIllegalRequest:
            return cdrom_result::kInvalid;
        default:
            return cdrom_result::kIoError;
    }
}

// The end of what a track plays: a data track's pregap is the gap before the data area,
// not music.
std::int32_t playableEnd(const DiscImage& disc, std::size_t i) {
    const auto& tracks = disc.tracks();
    if (i + 1 < tracks.size()) {
        const ImageTrack& next = tracks[i + 1];
        return next.data && !tracks[i].data ? next.start - next.pregap : next.start;
    }
    return disc.leadOut();
}

}  // namespace

VirtualCdAudioDevice::VirtualCdAudioDevice(std::shared_ptr<VirtualDrive> drive)
    : drive_(std::move(drive)) {}

VirtualCdAudioDevice::~VirtualCdAudioDevice() {
    close();
}

int VirtualCdAudioDevice::open(bool shareable) {
    if (open_) {
        return cd_audio_error::kNone;
    }
    if (!drive_->acquire(!shareable)) {
        return cd_audio_error::kDeviceInUse;
    }
    open_ = true;
    exclusive_ = !shareable;
    return cd_audio_error::kNone;
}

void VirtualCdAudioDevice::close() {
    if (open_) {
        drive_->release(exclusive_);
        open_ = false;
    }
}

int VirtualCdAudioDevice::setTimeFormatMsf() {
    return open_ ? cd_audio_error::kNone : cd_audio_error::kNotOpen;
}

int VirtualCdAudioDevice::disc(std::shared_ptr<const DiscImage>& disc) {
    if (!open_) {
        return cd_audio_error::kNotOpen;
    }
    disc = drive_->disc();
    return disc ? cd_audio_error::kNone : cd_audio_error::kNotReady;
}

int VirtualCdAudioDevice::track(int number, std::shared_ptr<const DiscImage>& d,
                                const ImageTrack*& t) {
    if (const int e = disc(d)) {
        return e;
    }
    if (number < 1 || number > static_cast<int>(d->tracks().size())) {
        return cd_audio_error::kOutOfRange;
    }
    t = &d->tracks()[static_cast<std::size_t>(number - 1)];
    return cd_audio_error::kNone;
}

int VirtualCdAudioDevice::numberOfTracks(int& tracks) {
    std::shared_ptr<const DiscImage> d;
    if (const int e = disc(d)) {
        return e;
    }
    tracks = static_cast<int>(d->tracks().size());
    return cd_audio_error::kNone;
}

int VirtualCdAudioDevice::trackPosition(int number, CdMsf& position) {
    std::shared_ptr<const DiscImage> d;
    const ImageTrack* t = nullptr;
    if (const int e = track(number, d, t)) {
        return e;
    }
    position = CdMsf::fromSector(t->start);
    return cd_audio_error::kNone;
}

int VirtualCdAudioDevice::trackLength(int number, CdMsf& length) {
    std::shared_ptr<const DiscImage> d;
    const ImageTrack* t = nullptr;
    if (const int e = track(number, d, t)) {
        return e;
    }
    length = CdMsf::fromFrames(playableEnd(*d, static_cast<std::size_t>(number - 1)) - t->start);
    return cd_audio_error::kNone;
}

int VirtualCdAudioDevice::trackType(int number, CdTrackType& type) {
    std::shared_ptr<const DiscImage> d;
    const ImageTrack* t = nullptr;
    if (const int e = track(number, d, t)) {
        return e;
    }
    type = t->data ? CdTrackType::Other : CdTrackType::Audio;
    return cd_audio_error::kNone;
}

int VirtualCdAudioDevice::mediaIdentity(std::uint32_t& identity) {
    std::shared_ptr<const DiscImage> d;
    if (const int e = disc(d)) {
        return e;
    }
    std::vector<std::int32_t> starts;
    for (const ImageTrack& t : d->tracks()) {
        starts.push_back(t.start);
    }
    identity = cdMediaIdentity(starts.data(), static_cast<int>(starts.size()), d->leadOut());
    return cd_audio_error::kNone;
}

int VirtualCdAudioDevice::play(const CdMsf& from, const CdMsf& to) {
    if (!open_) {
        return cd_audio_error::kNotOpen;
    }
    return audioError(drive_->play(from.sector(), to.sector()));
}

int VirtualCdAudioDevice::stop() {
    if (!open_) {
        return cd_audio_error::kNotOpen;
    }
    drive_->stop();
    return cd_audio_error::kNone;
}

int VirtualCdAudioDevice::currentPosition(CdMsf& position) {
    std::shared_ptr<const DiscImage> d;
    if (const int e = disc(d)) {
        return e;
    }
    position = CdMsf::fromSector(drive_->playPosition());
    return cd_audio_error::kNone;
}

int VirtualCdAudioDevice::openDoor() {
    if (!open_) {
        return cd_audio_error::kNotOpen;
    }
    drive_->openTray();
    return cd_audio_error::kNone;
}

int VirtualCdAudioDevice::closeDoor() {
    if (!open_) {
        return cd_audio_error::kNotOpen;
    }
    drive_->closeTray();
    return cd_audio_error::kNone;
}

VirtualCdromDriver::VirtualCdromDriver(std::shared_ptr<VirtualDrive> drive)
    : drive_(std::move(drive)) {}

int VirtualCdromDriver::readTocHeader(CdromTocHeader& header) {
    const auto d = drive_->disc();
    if (!d) {
        return cdrom_result::kNoMedium;
    }
    header.firstTrack = d->firstTrack();
    header.lastTrack = d->lastTrack();
    return cdrom_result::kOk;
}

int VirtualCdromDriver::readTocEntry(int track, CdromTocEntry& entry) {
    const auto d = drive_->disc();
    if (!d) {
        return cdrom_result::kNoMedium;
    }
    CdromTocEntry e;
    e.track = track;
    if (track == kCdromLeadOutTrack) {
        e.lba = d->leadOut();
        e.data = d->tracks().back().data;
    } else if (const ImageTrack* t = d->track(track)) {
        e.lba = t->start;
        e.data = t->data;
    } else {
        return cdrom_result::kInvalid;
    }
    e.control = e.data ? 0x04 : 0x00;
    entry = e;
    return cdrom_result::kOk;
}

int VirtualCdromDriver::readAudio(std::int32_t lba, int frames, std::uint8_t* buffer) {
    if (frames < 1 || frames > kCdromMaxReadFrames || buffer == nullptr) {
        return cdrom_result::kInvalid;
    }
    return driverError(drive_->readRaw(lba, static_cast<std::uint32_t>(frames), buffer));
}

int VirtualCdromDriver::playMsf(const CdMsf& start, const CdMsf& end) {
    return driverError(drive_->play(start.sector(), end.sector()));
}

int VirtualCdromDriver::subChannel(CdromSubChannel& subChannel) {
    const auto d = drive_->disc();
    if (!d) {
        return cdrom_result::kNoMedium;
    }
    CdromSubChannel s;
    switch (drive_->audioStatus()) {
        case AudioStatus::Playing:
            s.audioStatus = CdromAudioStatus::Playing;
            break;
        case AudioStatus::Paused:
            s.audioStatus = CdromAudioStatus::Paused;
            break;
        case AudioStatus::Completed:
            s.audioStatus = CdromAudioStatus::Completed;
            break;
        case AudioStatus::Error:
            s.audioStatus = CdromAudioStatus::Error;
            break;
        case AudioStatus::NoStatus:
            s.audioStatus = CdromAudioStatus::NoStatus;
            break;
    }
    s.absolute = drive_->playPosition();
    const ImageTrack* t = d->trackAt(std::min(s.absolute, d->leadOut() - 1));
    s.index = 1;
    for (const ImageTrack& u : d->tracks()) {
        if (s.absolute < u.start && s.absolute >= u.start - u.pregap) {
            t = &u;
            s.index = 0;
        }
    }
    s.track = t != nullptr ? t->number : 0;
    s.relative = t != nullptr ? s.absolute - t->start : 0;
    subChannel = s;
    return cdrom_result::kOk;
}

int VirtualCdromDriver::stop() {
    drive_->stop();
    return cdrom_result::kOk;
}

int VirtualCdromDriver::pause() {
    return driverError(drive_->pause());
}

int VirtualCdromDriver::resume() {
    return driverError(drive_->resume());
}

}  // namespace ps

#include "platform/linux/cd_audio_device_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace ps {
namespace {

// Lead-out, lead-in and pregap between the audio session and the data session of an
// enhanced disc.
constexpr std::int32_t kSessionGap = 11400;

}  // namespace

CdAudioDeviceLinux::CdAudioDeviceLinux(std::string node) : node_(std::move(node)) {}

CdAudioDeviceLinux::~CdAudioDeviceLinux() {
    close();
}

std::vector<std::string> CdAudioDeviceLinux::drives(const std::string& folder) {
    std::vector<std::pair<int, std::string>> found;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name.size() > 2 && name.size() < 6 && name.compare(0, 2, "sr") == 0 &&
                std::all_of(name.begin() + 2, name.end(),
                            [](char c) { return c >= '0' && c <= '9'; })) {
                found.emplace_back(std::stoi(name.substr(2)), folder + "/" + name);
            }
        }
        closedir(dir);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto& f : found) {
        out.push_back(std::move(f.second));
    }
    return out;
}

int CdAudioDeviceLinux::fromErrno(int error) {
    switch (error) {
        case EBUSY:
            return cd_audio_error::kDeviceInUse;
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ENOTDIR:
            return cd_audio_error::kNoSuchDrive;
        case ENOMEDIUM:
            return cd_audio_error::kNotReady;
        case EINVAL:
            return cd_audio_error::kOutOfRange;
        case ENOSYS:
        case ENOTTY:
            return cd_audio_error::kUnsupported;
        default:
            return cd_audio_error::kHardware;
    }
}

int CdAudioDeviceLinux::open(bool shareable) {
    if (fd_ >= 0) {
        return cd_audio_error::kNone;
    }
    const int fd =
        ::open(node_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (shareable ? 0 : O_EXCL));
    if (fd < 0) {
        return fromErrno(errno);
    }
    if (ioctl(fd, CDROM_GET_CAPABILITY, 0) < 0) {
        ::close(fd);
        return cd_audio_error::kNoSuchDrive;
    }
    fd_ = fd;
    return cd_audio_error::kNone;
}

void CdAudioDeviceLinux::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

int CdAudioDeviceLinux::setTimeFormatMsf() {
    return fd_ >= 0 ? cd_audio_error::kNone : cd_audio_error::kNotOpen;
}

int CdAudioDeviceLinux::ready() {
    if (fd_ < 0) {
        return cd_audio_error::kNotOpen;
    }
    const int status = ioctl(fd_, CDROM_DRIVE_STATUS, CDSL_CURRENT);
    if (status == CDS_NO_DISC || status == CDS_TRAY_OPEN || status == CDS_DRIVE_NOT_READY) {
        return cd_audio_error::kNotReady;
    }
    return cd_audio_error::kNone;
}

int CdAudioDeviceLinux::readToc(Toc& toc) {
    if (const int e = ready()) {
        return e;
    }
    cdrom_tochdr header{};
    if (ioctl(fd_, CDROMREADTOCHDR, &header) < 0) {
        return fromErrno(errno);
    }
    Toc t;
    for (int n = header.cdth_trk0; n <= header.cdth_trk1 + 1; ++n) {
        cdrom_tocentry entry{};
        entry.cdte_track = static_cast<std::uint8_t>(n > header.cdth_trk1 ? CDROM_LEADOUT : n);
        entry.cdte_format = CDROM_LBA;
        if (ioctl(fd_, CDROMREADTOCENTRY, &entry) < 0) {
            return fromErrno(errno);
        }
        t.starts.push_back(entry.cdte_addr.lba);
        t.data.push_back((entry.cdte_ctrl & CDROM_DATA_TRACK) != 0);
    }
    cdrom_multisession ms{};
    ms.addr_format = CDROM_LBA;
    if (ioctl(fd_, CDROMMULTISESSION, &ms) == 0 && ms.xa_flag) {
        t.lastSessionStart = ms.addr.lba;
    }
    if (t.starts.size() < 2) {
        return cd_audio_error::kNotReady;
    }
    toc = std::move(t);
    return cd_audio_error::kNone;
}

int CdAudioDeviceLinux::numberOfTracks(int& tracks) {
    Toc toc;
    if (const int e = readToc(toc)) {
        return e;
    }
    tracks = static_cast<int>(toc.starts.size()) - 1;
    return cd_audio_error::kNone;
}

int CdAudioDeviceLinux::trackPosition(int track, CdMsf& position) {
    Toc toc;
    if (const int e = readToc(toc)) {
        return e;
    }
    if (track < 1 || track >= static_cast<int>(toc.starts.size())) {
        return cd_audio_error::kOutOfRange;
    }
    position = CdMsf::fromSector(toc.starts[static_cast<std::size_t>(track - 1)]);
    return cd_audio_error::kNone;
}

int CdAudioDeviceLinux::trackLength(int track, CdMsf& length) {
    Toc toc;
    if (const int e = readToc(toc)) {
        return e;
    }
    if (track < 1 || track >= static_cast<int>(toc.starts.size())) {
        return cd_audio_error::kOutOfRange;
    }
    const auto i = static_cast<std::size_t>(track - 1);
    std::int32_t end = toc.starts[i + 1];
    // An audio track followed by the data session of an enhanced disc ends before the gap.
    if (!toc.data[i] && i + 2 < toc.starts.size() && toc.data[i + 1] &&
        toc.starts[i + 1] == toc.lastSessionStart && end - kSessionGap > toc.starts[i]) {
        end -= kSessionGap;
    }
    length = CdMsf::fromFrames(end - toc.starts[i]);
    return cd_audio_error::kNone;
}

int CdAudioDeviceLinux::trackType(int track, CdTrackType& type) {
    Toc toc;
    if (const int e = readToc(toc)) {
        return e;
    }
    if (track < 1 || track >= static_cast<int>(toc.starts.size())) {
        return cd_audio_error::kOutOfRange;
    }
    type = toc.data[static_cast<std::size_t>(track - 1)] ? CdTrackType::Other : CdTrackType::Audio;
    return cd_audio_error::kNone;
}

int CdAudioDeviceLinux::mediaIdentity(std::uint32_t& identity) {
    Toc toc;
    if (const int e = readToc(toc)) {
        return e;
    }
    identity = cdMediaIdentity(toc.starts.data(), static_cast<int>(toc.starts.size()) - 1,
                               toc.starts.back());
    return cd_audio_error::kNone;
}

int CdAudioDeviceLinux::play(const CdMsf& from, const CdMsf& to) {
    if (const int e = ready()) {
        return e;
    }
    cdrom_msf msf{};
    msf.cdmsf_min0 = static_cast<std::uint8_t>(from.minutes);
    msf.cdmsf_sec0 = static_cast<std::uint8_t>(from.seconds);
    msf.cdmsf_frame0 = static_cast<std::uint8_t>(from.frames);
    msf.cdmsf_min1 = static_cast<std::uint8_t>(to.minutes);
    msf.cdmsf_sec1 = static_cast<std::uint8_t>(to.seconds);
    msf.cdmsf_frame1 = static_cast<std::uint8_t>(to.frames);
    return ioctl(fd_, CDROMPLAYMSF, &msf) < 0 ? fromErrno(errno) : cd_audio_error::kNone;
}

int CdAudioDeviceLinux::stop() {
    if (fd_ < 0) {
        return cd_audio_error::kNotOpen;
    }
    return ioctl(fd_, CDROMSTOP) < 0 ? fromErrno(errno) : cd_audio_error::kNone;
}

int CdAudioDeviceLinux::currentPosition(CdMsf& position) {
    if (const int e = ready()) {
        return e;
    }
    cdrom_subchnl sub{};
    sub.cdsc_format = CDROM_MSF;
    if (ioctl(fd_, CDROMSUBCHNL, &sub) < 0) {
        return fromErrno(errno);
    }
    position =
        CdMsf{sub.cdsc_absaddr.msf.minute, sub.cdsc_absaddr.msf.second, sub.cdsc_absaddr.msf.frame};
    return cd_audio_error::kNone;
}

int CdAudioDeviceLinux::openDoor() {
    if (fd_ < 0) {
        return cd_audio_error::kNotOpen;
    }
    return ioctl(fd_, CDROMEJECT) < 0 ? fromErrno(errno) : cd_audio_error::kNone;
}

int CdAudioDeviceLinux::closeDoor() {
    if (fd_ < 0) {
        return cd_audio_error::kNotOpen;
    }
    return ioctl(fd_, CDROMCLOSETRAY) < 0 ? fromErrno(errno) : cd_audio_error::kNone;
}

namespace {

int driverResult(int error) {
    switch (error) {
        case ENOMEDIUM:
            return cdrom_result::kNoMedium;
        case EINVAL:
            return cdrom_result::kInvalid;
        case EBUSY:
            return cdrom_result::kBusy;
        case ENOSYS:
        case ENOTTY:
            return cdrom_result::kUnsupported;
        default:
            return cdrom_result::kIoError;
    }
}

}  // namespace

CdromDriverLinux::CdromDriverLinux(std::string node) : node_(std::move(node)) {}

CdromDriverLinux::~CdromDriverLinux() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int CdromDriverLinux::device(int& fd) {
    if (fd_ < 0) {
        fd_ = ::open(node_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            return errno == EBUSY ? cdrom_result::kBusy : cdrom_result::kIoError;
        }
    }
    const int status = ioctl(fd_, CDROM_DRIVE_STATUS, CDSL_CURRENT);
    if (status == CDS_NO_DISC || status == CDS_TRAY_OPEN || status == CDS_DRIVE_NOT_READY) {
        return cdrom_result::kNoMedium;
    }
    fd = fd_;
    return cdrom_result::kOk;
}

int CdromDriverLinux::simple(unsigned long request) {
    int fd = -1;
    if (const int e = device(fd)) {
        return e;
    }
    return ioctl(fd, request) < 0 ? driverResult(errno) : cdrom_result::kOk;
}

int CdromDriverLinux::readTocHeader(CdromTocHeader& header) {
    int fd = -1;
    if (const int e = device(fd)) {
        return e;
    }
    cdrom_tochdr h{};
    if (ioctl(fd, CDROMREADTOCHDR, &h) < 0) {
        return driverResult(errno);
    }
    header.firstTrack = h.cdth_trk0;
    header.lastTrack = h.cdth_trk1;
    return cdrom_result::kOk;
}

int CdromDriverLinux::readTocEntry(int track, CdromTocEntry& entry) {
    int fd = -1;
    if (const int e = device(fd)) {
        return e;
    }
    if (track < 1 || (track > 99 && track != kCdromLeadOutTrack)) {
        return cdrom_result::kInvalid;
    }
    cdrom_tocentry t{};
    t.cdte_track = static_cast<std::uint8_t>(track);
    t.cdte_format = CDROM_LBA;
    if (ioctl(fd, CDROMREADTOCENTRY, &t) < 0) {
        return driverResult(errno);
    }
    entry.track = track;
    entry.adr = t.cdte_adr;
    entry.control = t.cdte_ctrl;
    entry.data = (t.cdte_ctrl & CDROM_DATA_TRACK) != 0;
    entry.lba = t.cdte_addr.lba;
    return cdrom_result::kOk;
}

int CdromDriverLinux::readAudio(std::int32_t lba, int frames, std::uint8_t* buffer) {
    if (frames < 1 || frames > kCdromMaxReadFrames || buffer == nullptr || lba < 0) {
        return cdrom_result::kInvalid;
    }
    int fd = -1;
    if (const int e = device(fd)) {
        return e;
    }
    cdrom_read_audio ra{};
    ra.addr.lba = lba;
    ra.addr_format = CDROM_LBA;
    ra.nframes = frames;
    ra.buf = buffer;
    return ioctl(fd, CDROMREADAUDIO, &ra) < 0 ? driverResult(errno) : cdrom_result::kOk;
}

int CdromDriverLinux::playMsf(const CdMsf& start, const CdMsf& end) {
    int fd = -1;
    if (const int e = device(fd)) {
        return e;
    }
    cdrom_msf msf{};
    msf.cdmsf_min0 = static_cast<std::uint8_t>(start.minutes);
    msf.cdmsf_sec0 = static_cast<std::uint8_t>(start.seconds);
    msf.cdmsf_frame0 = static_cast<std::uint8_t>(start.frames);
    msf.cdmsf_min1 = static_cast<std::uint8_t>(end.minutes);
    msf.cdmsf_sec1 = static_cast<std::uint8_t>(end.seconds);
    msf.cdmsf_frame1 = static_cast<std::uint8_t>(end.frames);
    return ioctl(fd, CDROMPLAYMSF, &msf) < 0 ? driverResult(errno) : cdrom_result::kOk;
}

int CdromDriverLinux::subChannel(CdromSubChannel& subChannel) {
    int fd = -1;
    if (const int e = device(fd)) {
        return e;
    }
    cdrom_subchnl sub{};
    sub.cdsc_format = CDROM_LBA;
    if (ioctl(fd, CDROMSUBCHNL, &sub) < 0) {
        return driverResult(errno);
    }
    CdromSubChannel s;
    switch (sub.cdsc_audiostatus) {
        case CDROM_AUDIO_PLAY:
            s.audioStatus = CdromAudioStatus::Playing;
            break;
        case CDROM_AUDIO_PAUSED:
            s.audioStatus = CdromAudioStatus::Paused;
            break;
        case CDROM_AUDIO_COMPLETED:
            s.audioStatus = CdromAudioStatus::Completed;
            break;
        case CDROM_AUDIO_ERROR:
            s.audioStatus = CdromAudioStatus::Error;
            break;
        default:
            s.audioStatus = CdromAudioStatus::NoStatus;
            break;
    }
    s.track = sub.cdsc_trk;
    s.index = sub.cdsc_ind;
    s.absolute = sub.cdsc_absaddr.lba;
    s.relative = sub.cdsc_reladdr.lba;
    subChannel = s;
    return cdrom_result::kOk;
}

int CdromDriverLinux::stop() {
    return simple(CDROMSTOP);
}

int CdromDriverLinux::pause() {
    return simple(CDROMPAUSE);
}

int CdromDriverLinux::resume() {
    return simple(CDROMRESUME);
}

}  // namespace ps

#pragma once

#include <cstdint>
#include <string>

namespace ps {

// Error codes of the CD audio device: 0 is success; the others keep the numbers of
// the classic multimedia CD audio service, so that 291 still means "in use".
namespace cd_audio_error {
inline constexpr int kNone = 0;
inline constexpr int kNotOpen = 257;      // no open device
inline constexpr int kUnsupported = 261;  // the drive cannot do this
inline constexpr int kHardware = 262;     // the drive or its driver failed
inline constexpr int kNoSuchDrive = 263;  // no CD drive under that name
inline constexpr int kNotReady = 276;     // no disc, or the tray is open
inline constexpr int kOutOfRange = 282;   // track or position not on the disc
inline constexpr int kDeviceInUse = 291;  // another program holds the drive
}  // namespace cd_audio_error

// The user-visible text of an error code; "" for kNone.
inline std::string cdAudioErrorText(int code) {
    switch (code) {
        case cd_audio_error::kNone:
            return "";
        case cd_audio_error::kNotOpen:
            return "The CD audio device is not open.";
        case cd_audio_error::kUnsupported:
            return "The CD-ROM drive does not support this command.";
        case cd_audio_error::kHardware:
            return "The CD-ROM drive reported a hardware error.";
        case cd_audio_error::kNoSuchDrive:
            return "There is no CD-ROM drive with this name.";
        case cd_audio_error::kNotReady:
            return "The CD-ROM drive is not ready: there is no disc in it or its door is open.";
        case cd_audio_error::kOutOfRange:
            return "The track or position is not on the disc.";
        case cd_audio_error::kDeviceInUse:
            return "The CD-ROM drive is already used by another program.";
        default:
            return "Unknown CD audio device error " + std::to_string(code) + ".";
    }
}

// A disc position or length in minutes, seconds and frames (75 per second). Positions
// are absolute disc time: sector + 150 (track 1 of most discs begins at 00:02:00).
struct CdMsf {
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    friend bool operator==(const CdMsf&, const CdMsf&) = default;

    std::int32_t totalFrames() const { return minutes * 4500 + seconds * 75 + frames; }
    std::int32_t sector() const { return totalFrames() - 150; }  // for positions
    static CdMsf fromFrames(std::int32_t frames) {
        return CdMsf{frames / 4500, (frames / 75) % 60, frames % 75};
    }
    static CdMsf fromSector(std::int32_t sector) { return fromFrames(sector + 150); }
};

enum class CdTrackType : std::uint8_t { Audio, Other };

// The platform's CD audio device on one drive: the play-and-position service that the
// analog mode, the CD player and the disc number use. Tracks are counted 1..number of
// tracks in disc order, whatever number the disc gives its first track. Every call
// returns an error code (0 on success) and leaves its outputs unchanged on failure.
class CdAudioDevice {
  public:
    virtual ~CdAudioDevice() = default;

    // Opens the device on its drive; `shareable` lets other users open it at the same
    // time. kDeviceInUse when another program holds the drive.
    virtual int open(bool shareable) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Positions and lengths are exchanged as MSF; this is the only time format.
    virtual int setTimeFormatMsf() = 0;

    virtual int numberOfTracks(int& tracks) = 0;
    virtual int trackPosition(int track, CdMsf& position) = 0;
    // The playable length; for an audio track before a data track it leaves out the gap
    // before the data area.
    virtual int trackLength(int track, CdMsf& length) = 0;
    virtual int trackType(int track, CdTrackType& type) = 0;
    // A stable number computed from the table of contents; never 0 with a disc present.
    virtual int mediaIdentity(std::uint32_t& identity) = 0;

    // Plays from `from` up to, not including, `to` and returns at once.
    virtual int play(const CdMsf& from, const CdMsf& to) = 0;
    virtual int stop() = 0;
    virtual int currentPosition(CdMsf& position) = 0;

    virtual int openDoor() = 0;
    virtual int closeDoor() = 0;
};

// The media identity of a table of contents: the track starts as packed MSF words
// (minutes << 16 | seconds << 8 | frames) summed, plus the disc length in frames when
// the disc has fewer than three tracks; 1 when that sums to 0; 0 without tracks.
inline std::uint32_t cdMediaIdentity(const std::int32_t* trackStarts, int tracks,
                                     std::int32_t leadOut) {
    if (tracks <= 0) {
        return 0;
    }
    std::uint32_t id = 0;
    for (int i = 0; i < tracks; ++i) {
        const CdMsf m = CdMsf::fromSector(trackStarts[i]);
        id += static_cast<std::uint32_t>(m.minutes << 16 | m.seconds << 8 | m.frames);
    }
    if (tracks < 3) {
        id += static_cast<std::uint32_t>(leadOut - trackStarts[0]);
    }
    return id == 0 ? 1 : id;
}

// The CD audio device of each CD drive, by drive index (3 = D:); nullptr for a drive
// letter that is not a CD drive. The devices belong to the lookup.
class CdAudioDevices {
  public:
    virtual ~CdAudioDevices() = default;
    virtual CdAudioDevice* device(int driveIndex) = 0;
};

}  // namespace ps

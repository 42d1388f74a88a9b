#pragma once

#include <cstdint>

#include "platform/cd_audio_device.h"

namespace ps {

// Results of the CD-ROM driver calls: 0 on success.
namespace cdrom_result {
inline constexpr int kOk = 0;
inline constexpr int kNoMedium = 1;  // no disc, or the tray is open
inline constexpr int kIoError = 2;   // the drive could not read or do it
inline constexpr int kInvalid = 3;   // a track, address or count not on the disc
inline constexpr int kBusy = 4;
inline constexpr int kUnsupported = 5;
}  // namespace cdrom_result

inline constexpr int kCdromLeadOutTrack = 0xAA;
inline constexpr int kCdromMaxReadFrames = 75;  // frames one readAudio call may ask for

struct CdromTocHeader {
    int firstTrack = 0;
    int lastTrack = 0;
};

struct CdromTocEntry {
    int track = 0;
    std::uint8_t adr = 1;
    std::uint8_t control = 0;  // bit 2 set for a data track
    bool data = false;
    std::int32_t lba = 0;
};

enum class CdromAudioStatus : std::uint8_t { NoStatus, Playing, Paused, Completed, Error };

struct CdromSubChannel {
    CdromAudioStatus audioStatus = CdromAudioStatus::NoStatus;
    int track = 0;
    int index = 0;
    std::int32_t absolute = 0;  // sector
    std::int32_t relative = 0;  // sectors from the track's start; negative in its pregap
};

// The CD-ROM driver as the 16-bit helper uses it: table of contents, raw audio reads,
// play, sub-channel and the transport keys. Calls return a cdrom_result code.
class CdromDriver {
  public:
    virtual ~CdromDriver() = default;

    virtual int readTocHeader(CdromTocHeader& header) = 0;
    // `track` is a track number of the disc or kCdromLeadOutTrack.
    virtual int readTocEntry(int track, CdromTocEntry& entry) = 0;
    // Reads `frames` (1..kCdromMaxReadFrames) raw 2352-byte audio frames into `buffer`.
    virtual int readAudio(std::int32_t lba, int frames, std::uint8_t* buffer) = 0;
    virtual int playMsf(const CdMsf& start, const CdMsf& end) = 0;
    virtual int subChannel(CdromSubChannel& subChannel) = 0;
    virtual int stop() = 0;
    virtual int pause() = 0;
    virtual int resume() = 0;
};

}  // namespace ps

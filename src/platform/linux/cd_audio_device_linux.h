#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/cd_audio_device.h"
#include "platform/cdrom_driver.h"

namespace ps {

// The CD audio device over the Linux CD-ROM driver on a drive's block node (/dev/sr0):
// table of contents entries, CDROMPLAYMSF, CDROMSUBCHNL, CDROMSTOP, CDROMEJECT and
// CDROMCLOSETRAY. The node is opened non-blocking, so an empty drive or an open tray
// never holds the open; a device that is not shareable is opened exclusively.
class CdAudioDeviceLinux final : public CdAudioDevice {
  public:
    explicit CdAudioDeviceLinux(std::string node);
    ~CdAudioDeviceLinux() override;
    CdAudioDeviceLinux(const CdAudioDeviceLinux&) = delete;
    CdAudioDeviceLinux& operator=(const CdAudioDeviceLinux&) = delete;

    // The CD block nodes present, in order (/dev/sr0, /dev/sr1, ...).
    static std::vector<std::string> drives(const std::string& folder = "/dev");

    int open(bool shareable) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }
    int setTimeFormatMsf() override;
    int numberOfTracks(int& tracks) override;
    int trackPosition(int track, CdMsf& position) override;
    int trackLength(int track, CdMsf& length) override;
    int trackType(int track, CdTrackType& type) override;
    int mediaIdentity(std::uint32_t& identity) override;
    int play(const CdMsf& from, const CdMsf& to) override;
    int stop() override;
    int currentPosition(CdMsf& position) override;
    int openDoor() override;
    int closeDoor() override;

  private:
    struct Toc {
        std::vector<std::int32_t> starts;  // per track, then the lead-out
        std::vector<bool> data;
        std::int32_t lastSessionStart = -1;
    };
    int readToc(Toc& toc);
    int ready();
    static int fromErrno(int error);

    std::string node_;
    int fd_ = -1;
};

// The CD-ROM driver face over the same node: CDROMREADTOCHDR, CDROMREADTOCENTRY,
// CDROMREADAUDIO, CDROMPLAYMSF, CDROMSUBCHNL, CDROMSTOP, CDROMPAUSE and CDROMRESUME.
// The node is opened non-blocking at the first call and kept open.
class CdromDriverLinux final : public CdromDriver {
  public:
    explicit CdromDriverLinux(std::string node);
    ~CdromDriverLinux() override;
    CdromDriverLinux(const CdromDriverLinux&) = delete;
    CdromDriverLinux& operator=(const CdromDriverLinux&) = delete;

    int readTocHeader(CdromTocHeader& header) override;
    int readTocEntry(int track, CdromTocEntry& entry) override;
    int readAudio(std::int32_t lba, int frames, std::uint8_t* buffer) override;
    int playMsf(const CdMsf& start, const CdMsf& end) override;
    int subChannel(CdromSubChannel& subChannel) override;
    int stop() override;
    int pause() override;
    int resume() override;

  private:
    int device(int& fd);
    int simple(unsigned long request);

    std::string node_;
    int fd_ = -1;
};

}  // namespace ps

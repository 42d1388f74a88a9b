#pragma once

#include <memory>

#include "platform/cd_audio_device.h"
#include "platform/cdrom_driver.h"
#include "virtual/virtual_drive.h"

namespace ps {

// The CD audio device of a virtual drive: the same disc, tray and play position that
// its SCSI commands see.
class VirtualCdAudioDevice final : public CdAudioDevice {
  public:
    explicit VirtualCdAudioDevice(std::shared_ptr<VirtualDrive> drive);
    ~VirtualCdAudioDevice() override;
    const std::shared_ptr<VirtualDrive>& drive() const { return drive_; }

    int open(bool shareable) override;
    void close() override;
    bool isOpen() const override { return open_; }
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
    // The disc and the track at a 1-based position, or an error code.
    int disc(std::shared_ptr<const DiscImage>& disc);
    int track(int number, std::shared_ptr<const DiscImage>& disc, const ImageTrack*& track);

    std::shared_ptr<VirtualDrive> drive_;
    bool open_ = false;
    bool exclusive_ = false;
};

// The CD-ROM driver face of a virtual drive.
class VirtualCdromDriver final : public CdromDriver {
  public:
    explicit VirtualCdromDriver(std::shared_ptr<VirtualDrive> drive);

    int readTocHeader(CdromTocHeader& header) override;
    int readTocEntry(int track, CdromTocEntry& entry) override;
    int readAudio(std::int32_t lba, int frames, std::uint8_t* buffer) override;
    int playMsf(const CdMsf& start, const CdMsf& end) override;
    int subChannel(CdromSubChannel& subChannel) override;
    int stop() override;
    int pause() override;
    int resume() override;

  private:
    std::shared_ptr<VirtualDrive> drive_;
};

}  // namespace ps

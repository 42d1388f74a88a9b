#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cdaccess/aspi_pass_through_chain.h"
#include "cdaccess/aspi_transport.h"
#include "cdaccess/drive_cd_audio.h"
#include "cdaccess/scsi_drive.h"
#include "platform/clock.h"
#include "platform/tracing_pass_through.h"
#include "virtual/virtual_cd_audio.h"
#include "virtual/virtual_pass_through.h"

namespace ps {

// True when a pass-through has at least one CD drive (device type 4, 5 or 7, unit 0).
bool hasCdDrive(PassThrough& passThrough);

// The drives a session works with: those of the real pass-through, then the virtual
// drive when PLATTERSCOOP_VIRTUAL_DRIVE asks for one, or alone with the demo disc when
// there is no real CD drive. Discovery has run once it is open.
class AspiDriveSet {
  public:
    explicit AspiDriveSet(Clock& clock, AspiHooks hooks = {});

    // `real` may be null; it must outlive the set. False with an explanation when the
    // virtual drive's image or fault list is bad.
    bool open(PassThrough* real, std::string& error);

    AspiTransport& transport() { return transport_; }
    const AspiTransport& transport() const { return transport_; }
    ScsiDrive& drive() { return drive_; }
    // Drive indices (0 = A:) of the listed drives: D: for the first, E: for the next...
    const std::vector<int>& driveLetters() const { return letters_; }
    // The CD audio devices of the virtual drives, in list order.
    std::vector<CdAudioDevice*> virtualCdAudioDevices() const;
    // True when the virtual drive was added.
    bool hasVirtualDrive() const { return virtual_ != nullptr; }

  private:
    Clock& clock_;
    AspiPassThroughChain chain_;
    // Every command the transport sends goes through the trace when PLATTERSCOOP_SCSI_TRACE
    // names a file.
    std::unique_ptr<PassThrough> trace_;
    std::unique_ptr<VirtualPassThrough> virtual_;
    std::vector<std::unique_ptr<VirtualCdAudioDevice>> virtualCdAudio_;
    DriveCdAudioDevices cdAudio_;
    AspiTransport transport_;
    ScsiDrive drive_;
    std::vector<int> letters_;
};

}  // namespace ps

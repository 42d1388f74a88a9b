#pragma once

#include <string>
#include <vector>

#include "cdaccess/aspi_transport.h"
#include "cdaccess/scsi_drive.h"
#include "support/fake_clock.h"
#include "support/recording_pass_through.h"

namespace ps::test {

// A transport and command set over the recording target, with one CD drive at
// host adapter 0, target 1 and counters for the transport's hooks.
struct ScsiRig {
    FakeClock clock;
    RecordingPassThrough target{clock};
    int beeps = 0;
    int pumps = 0;
    bool abort = false;
    std::vector<std::string> diagnostics;
    AspiTransport transport{
        target, clock,
        AspiHooks{[this] { ++pumps; }, [this] { ++beeps; }, [this] { return abort; },
                  [this](const std::string& text) { diagnostics.push_back(text); }}};
    ScsiDrive drive{transport};

    explicit ScsiRig(int typeIndex = 0) {
        target.addDevice({0, 1, 0},
                         {5, makeInquiry(5, 0, 2, "VENDOR  PRODUCT         1.0"), "/dev/sg1"});
        transport.discoverDrives();
        transport.selectDrive(0);
        transport.selectDriveType(typeIndex);
        target.sent.clear();
        target.waitTimeouts.clear();
    }
};

}  // namespace ps::test

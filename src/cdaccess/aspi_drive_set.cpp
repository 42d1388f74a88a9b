#include "cdaccess/aspi_drive_set.h"

#include <algorithm>

#include "cdaccess/drive_types.h"

namespace ps {

namespace {
constexpr int kFirstCdLetter = 3;  // D:
}

bool hasCdDrive(PassThrough& passThrough) {
    const int adapters = std::clamp(passThrough.hostAdapterCount(), 0, 255);
    for (int adapter = 0; adapter < adapters; ++adapter) {
        for (int id = 0; id < AspiTransport::kTargetsPerAdapter; ++id) {
            const ScsiTarget target{static_cast<std::uint8_t>(adapter),
                                    static_cast<std::uint8_t>(id), 0};
            if (isCdDeviceType(passThrough.deviceType(target))) {
                return true;
            }
        }
    }
    return false;
}

AspiDriveSet::AspiDriveSet(Clock& clock, AspiHooks hooks)
    : clock_(clock),
      trace_(traceFromEnvironment(chain_)),
      transport_(trace_ ? *trace_ : static_cast<PassThrough&>(chain_), clock, std::move(hooks)),
      drive_(transport_, &cdAudio_) {}

bool AspiDriveSet::open(PassThrough* real, std::string& error) {
    VirtualDriveEnvironment environment;
    if (!readVirtualDriveEnvironment(environment, error)) {
        return false;
    }
    const bool realDrives = real != nullptr && hasCdDrive(*real);
    if (environment.requested || !realDrives) {
        virtual_ = makeVirtualPassThroughFromEnvironment(clock_, error);
        if (!virtual_) {
            return false;
        }
    }
    chain_.append(real);
    chain_.append(virtual_.get());

    transport_.discoverDrives();
    transport_.selectDrive(0);
    letters_.clear();
    const auto& drives = transport_.drives();
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const int letter = kFirstCdLetter + static_cast<int>(i);
        letters_.push_back(letter);
        if (virtual_ && drives[i].node == "virtual") {
            if (auto drive = virtual_->drive(drives[i].target.targetId)) {
                virtualCdAudio_.push_back(std::make_unique<VirtualCdAudioDevice>(drive));
                cdAudio_.add(letter, virtualCdAudio_.back().get());
            }
        }
    }
    return true;
}

std::vector<CdAudioDevice*> AspiDriveSet::virtualCdAudioDevices() const {
    std::vector<CdAudioDevice*> devices;
    for (const auto& device : virtualCdAudio_) {
        devices.push_back(device.get());
    }
    return devices;
}

}  // namespace ps

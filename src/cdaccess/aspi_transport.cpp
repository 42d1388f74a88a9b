#include "cdaccess/aspi_transport.h"

#include <algorithm>
#include <cstdio>

#include "cdaccess/drive_types.h"

namespace ps {

AspiTransport::AspiTransport(PassThrough& passThrough, Clock& clock, AspiHooks hooks)
    : passThrough_(passThrough),
      clock_(clock),
      hooks_(std::move(hooks)),
      family_(driveTypeFamily(drive_type::kAtapi)) {}

void AspiTransport::prepare(ScsiRequest& request, const ScsiCommand& command,
                            std::uint8_t* buffer) const {
    request = ScsiRequest{};
    request.target = target_;
    request.cdb = command.cdb;
    request.cdbLength = command.cdbLength;
    request.direction = command.direction;
    request.buffer = buffer;
    request.length = command.dataLength;
    request.eventNotify = !command.polled;
    request.timeoutMs = command.timeoutMs;
}

std::uint8_t AspiTransport::execute(const ScsiCommand& command, std::uint8_t* buffer) {
    return executeAt(target_, command, buffer);
}

std::uint8_t AspiTransport::executeAt(const ScsiTarget& target, const ScsiCommand& command,
                                      std::uint8_t* buffer) {
    ScsiRequest request;
    prepare(request, command, buffer);
    request.target = target;
    passThrough_.send(request);
    if (request.status != scsi_status::kPending) {
        return request.status;
    }

    WaitResult result;
    if (command.polled) {
        result = awaitPolled(request, command.timeoutMs);
    } else {
        if (command.beepAround && hooks_.beep) {
            hooks_.beep();
        }
        result = awaitEvent(request, command.timeoutMs);
        if (command.beepAround && hooks_.beep) {
            hooks_.beep();
        }
    }
    if (result != WaitResult::Completed) {
        // The request leaves our stack frame: the pass-through must forget it.
        passThrough_.abandon(request);
        return scsi_status::kPending;
    }
    return request.status;
}

AspiTransport::WaitResult AspiTransport::awaitEvent(ScsiRequest& request, int timeoutMs) {
    if (request.status != scsi_status::kPending) {
        return WaitResult::Completed;
    }
    return passThrough_.wait(request, timeoutMs) ? WaitResult::Completed : WaitResult::TimedOut;
}

AspiTransport::WaitResult AspiTransport::awaitPolled(ScsiRequest& request, int timeoutMs) {
    const std::int64_t start = clock_.nowMs();
    while (true) {
        if (passThrough_.poll(request) != scsi_status::kPending) {
            return WaitResult::Completed;
        }
        if (hooks_.abortRequested && hooks_.abortRequested()) {
            return WaitResult::Aborted;
        }
        if (clock_.nowMs() - start >= timeoutMs) {
            return WaitResult::TimedOut;
        }
        if (hooks_.pump) {
            hooks_.pump();
        }
        clock_.sleepMs(1);
    }
}

int AspiTransport::discoverDrives() {
    drives_.clear();
    const int adapters = std::clamp(passThrough_.hostAdapterCount(), 0, 255);
    for (int adapter = 0; adapter < adapters; ++adapter) {
        for (int id = 0; id < kTargetsPerAdapter; ++id) {
            const ScsiTarget target{static_cast<std::uint8_t>(adapter),
                                    static_cast<std::uint8_t>(id), 0};
            const int deviceType = passThrough_.deviceType(target);
            if (static_cast<int>(drives_.size()) >= kMaxDrives || !isCdDeviceType(deviceType)) {
                continue;
            }
            std::array<std::uint8_t, 1000> inquiry{};
            if (executeAt(target, inquiryCommand(), inquiry.data()) != scsi_status::kDone) {
                continue;
            }
            if (!isCdDeviceType(inquiry[0])) {
                continue;
            }
            AspiDrive drive;
            drive.name = inquiryDisplayName(inquiry);
            drive.target = target;
            drive.typeIndex = driveTypeForInquiry(inquiry);
            drive.node = passThrough_.deviceNode(target);
            drives_.push_back(std::move(drive));
        }
    }
    if (selectedDrive_ >= static_cast<int>(drives_.size())) {
        selectedDrive_ = -1;  // the drive it named is gone
    }
    return static_cast<int>(drives_.size());
}

bool AspiTransport::selectDrive(int index) {
    if (index < 0 || index >= static_cast<int>(drives_.size())) {
        return false;
    }
    const AspiDrive& drive = drives_[static_cast<std::size_t>(index)];
    selectedDrive_ = index;
    target_ = drive.target;
    selectDriveType(drive.typeIndex);
    return true;
}

void AspiTransport::selectDriveType(int typeIndex) {
    typeIndex_ = (typeIndex >= 0 && typeIndex < drive_type::kCount) ? typeIndex : 0;
    family_ = driveTypeFamily(typeIndex_);
}

int AspiTransport::startInterfacing(std::string_view defaultDrive, std::string& cdRomType) {
    discoverDrives();
    selectDrive(0);

    int found = -1;
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (std::string_view(drives_[i].name).starts_with(defaultDrive)) {
            found = static_cast<int>(i);
            break;
        }
    }
    selectDrive(found >= 0 ? found : 0);

    // The saved type is shown for the saved drive; the family of commands stays the
    // one discovery assigned until the settings apply a type.
    if (found >= 0) {
        const int saved = driveTypeIndexForText(cdRomType);
        if (saved >= 0) {
            typeIndex_ = saved;
        }
    }
    cdRomType = std::string(driveTypeText(typeIndex_));

    if (passThrough_.hostAdapterCount() <= 0) {
        return 0;
    }
    return static_cast<int>(refreshManagerText().size());
}

const std::string& AspiTransport::refreshManagerText() {
    if (passThrough_.hostAdapterCount() <= 0) {
        return managerText_;
    }
    const HostAdapterInfo info = passThrough_.inquireHostAdapter(target_.hostAdapter);
    // The three 16-byte identification fields lie back to back; the text runs through
    // them up to the first zero byte.
    std::array<char, kMaxManagerText> fields{};
    const std::string* parts[] = {&info.managerId, &info.adapterId, &info.uniqueParameters};
    for (std::size_t field = 0; field < 3; ++field) {
        char* slot = fields.data() + field * 16;
        slot[0] = ' ';
        std::copy_n(parts[field]->data(), std::min<std::size_t>(parts[field]->size(), 16), slot);
    }
    const auto end = std::find(fields.begin(), fields.end(), '\0');
    managerText_.assign(fields.begin(), end);
    return managerText_;
}

void AspiTransport::reportAspiError(std::uint8_t status) {
    char text[32];
    std::snprintf(text, sizeof text, "ASPI Error: %X", static_cast<unsigned>(status));
    lastErrorText_ = text;
    if (hooks_.diagnostic) {
        hooks_.diagnostic(lastErrorText_);
    }
    execute(rezeroUnitCommand(), nullptr);
}

}  // namespace ps

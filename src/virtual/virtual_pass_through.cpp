#include "virtual/virtual_pass_through.h"

#include <algorithm>
#include <cstdlib>

namespace ps {
namespace {

std::string padded(const std::string& text) {
    std::string s = text.substr(0, 16);
    s.resize(16, ' ');
    return s;
}

}  // namespace

VirtualPassThrough::VirtualPassThrough(Clock& clock) : clock_(clock) {}

bool VirtualPassThrough::addDrive(std::shared_ptr<VirtualDrive> drive, std::uint8_t targetId) {
    std::lock_guard lock(mutex_);
    if (targetId >= drives_.size() || drives_[targetId] || !drive) {
        return false;
    }
    drives_[targetId] = std::move(drive);
    return true;
}

std::shared_ptr<VirtualDrive> VirtualPassThrough::drive(std::uint8_t targetId) const {
    std::lock_guard lock(mutex_);
    return targetId < drives_.size() ? drives_[targetId] : nullptr;
}

VirtualDrive* VirtualPassThrough::driveAt(const ScsiTarget& target) const {
    if (target.hostAdapter != 0 || target.lun != 0 || target.targetId >= drives_.size()) {
        return nullptr;
    }
    return drives_[target.targetId].get();
}

int VirtualPassThrough::hostAdapterCount() {
    return 1;
}

HostAdapterInfo VirtualPassThrough::inquireHostAdapter(int hostAdapter) {
    if (hostAdapter != 0) {
        return {};
    }
    return HostAdapterInfo{padded("PLATTERSCOOP"), padded("VIRTUAL ADAPTER"), padded("")};
}

int VirtualPassThrough::deviceType(const ScsiTarget& target) {
    std::lock_guard lock(mutex_);
    return driveAt(target) != nullptr ? 5 : -1;
}

std::string VirtualPassThrough::deviceNode(const ScsiTarget& target) {
    std::lock_guard lock(mutex_);
    return driveAt(target) != nullptr ? "virtual" : std::string();
}

VirtualPassThrough::Pending* VirtualPassThrough::find(const ScsiRequest& request) {
    for (Pending& p : pending_) {
        if (p.request == &request) {
            return &p;
        }
    }
    return nullptr;
}

int VirtualPassThrough::inFlight() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(pending_.begin(), pending_.end(),
                                          [](const Pending& p) { return p.request != nullptr; }));
}

void VirtualPassThrough::send(ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    request.status = scsi_status::kPending;
    request.transferred = 0;
    if (find(request) != nullptr) {
        // The same block sent again while it runs: the manager refuses it.
        request.status = scsi_status::kInvalidCommand;
        return;
    }
    if (request.target.hostAdapter != 0) {
        request.status = scsi_status::kInvalidHostAdapter;
        return;
    }
    VirtualDrive* drive = driveAt(request.target);
    if (drive == nullptr) {
        request.status = scsi_status::kNoDevice;
        return;
    }
    const bool lengthOk =
        request.cdbLength == 6 || request.cdbLength == 10 || request.cdbLength == 12;
    const bool bufferOk = request.direction == DataDirection::None || request.length == 0 ||
                          request.buffer != nullptr;
    if (!lengthOk || !bufferOk) {
        request.status = scsi_status::kInvalidCommand;
        return;
    }
    Pending* slot = nullptr;
    for (Pending& p : pending_) {
        if (p.request == nullptr) {
            slot = &p;
            break;
        }
    }
    if (slot == nullptr) {
        // All ten slots busy: refused at once, the caller may retry.
        request.status = scsi_status::kAborted;
        return;
    }
    const std::int64_t now = clock_.nowMs();
    const std::int64_t deadline = now + std::max(0, request.timeoutMs);
    const ScsiOutcome o = drive->execute(request.cdb.data(), request.cdbLength, request.direction,
                                         request.buffer, request.length);
    Pending p;
    p.request = &request;
    if (o.neverCompletes || o.completeAtMs > deadline) {
        p.dueMs = deadline;
        p.status = scsi_status::kTimeout;
    } else {
        p.dueMs = o.completeAtMs;
        p.status = o.status;
        p.sense = o.sense;
        p.transferred = o.transferred;
    }
    *slot = p;
    settle(*slot, now);
}

bool VirtualPassThrough::settle(Pending& pending, std::int64_t now) {
    if (pending.request == nullptr) {
        return true;
    }
    if (now < pending.dueMs) {
        return false;
    }
    ScsiRequest& r = *pending.request;
    r.sense = pending.sense;
    r.transferred = pending.transferred;
    r.status = pending.status;
    pending = Pending{};
    return true;
}

std::uint8_t VirtualPassThrough::poll(ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    if (Pending* p = find(request)) {
        settle(*p, clock_.nowMs());
    }
    return request.status;
}

bool VirtualPassThrough::wait(ScsiRequest& request, int timeoutMs) {
    std::unique_lock lock(mutex_);
    Pending* p = find(request);
    if (p == nullptr) {
        return request.status != scsi_status::kPending;
    }
    const std::int64_t start = clock_.nowMs();
    const std::int64_t until = start + std::max(0, timeoutMs);
    while (true) {
        const std::int64_t now = clock_.nowMs();
        if (settle(*p, now)) {
            return true;
        }
        if (now >= until) {
            return false;
        }
        const std::int64_t next = std::min(until, p->dueMs);
        // Sleep in short steps so that a drive swap or abandon from elsewhere is seen.
        const int step = static_cast<int>(std::min<std::int64_t>(next - now, 20));
        lock.unlock();
        clock_.sleepMs(std::max(step, 1));
        lock.lock();
        p = find(request);
        if (p == nullptr) {
            return request.status != scsi_status::kPending;
        }
    }
}

void VirtualPassThrough::abandon(ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    if (Pending* p = find(request)) {
        *p = Pending{};
    }
}

bool readVirtualDriveEnvironment(VirtualDriveEnvironment& environment, std::string& error) {
    VirtualDriveEnvironment e;
    if (const char* image = std::getenv("PLATTERSCOOP_VIRTUAL_DRIVE"); image && *image) {
        e.requested = true;
        e.image = image;
    } else {
        e.image = "demo";
    }
    if (const char* faults = std::getenv("PLATTERSCOOP_VIRTUAL_FAULTS"); faults && *faults) {
        if (!parseVirtualFaults(faults, e.faults, error)) {
            error = "PLATTERSCOOP_VIRTUAL_FAULTS: " + error;
            return false;
        }
    }
    environment = std::move(e);
    return true;
}

std::shared_ptr<VirtualDrive> makeVirtualDrive(Clock& clock, const std::string& image,
                                               const VirtualFaults& faults, std::string& error) {
    std::shared_ptr<const DiscImage> disc = loadDiscImage(image, error);
    if (!disc) {
        return nullptr;
    }
    return std::make_shared<VirtualDrive>(clock, std::move(disc), faults);
}

std::unique_ptr<VirtualPassThrough> makeVirtualPassThroughFromEnvironment(Clock& clock,
                                                                          std::string& error) {
    VirtualDriveEnvironment e;
    if (!readVirtualDriveEnvironment(e, error)) {
        return nullptr;
    }
    std::shared_ptr<VirtualDrive> drive = makeVirtualDrive(clock, e.image, e.faults, error);
    if (!drive) {
        return nullptr;
    }
    auto passThrough = std::make_unique<VirtualPassThrough>(clock);
    passThrough->addDrive(std::move(drive), 0);
    return passThrough;
}

}  // namespace ps

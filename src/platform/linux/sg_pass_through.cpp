#include "platform/linux/sg_pass_through.h"

#include <dirent.h>
#include <fcntl.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace ps {
namespace {

constexpr int kHostNoConnect = 0x01;
constexpr int kHostTimeOut = 0x03;
constexpr int kHostBadTarget = 0x04;
constexpr int kDriverTimeout = 0x06;

std::string padded(const std::string& text) {
    std::string s = text.substr(0, 16);
    s.resize(16, ' ');
    return s;
}

// The length of a command block by its operation code's group; the vendor groups keep
// the length the caller gave. Some callers give 12 for 6-byte commands or 10 for READ CD,
// which a parallel SCSI bus forgave (the target decodes the length) but a USB or SATA
// bridge need not.
std::uint8_t commandLength(std::uint8_t opcode, std::uint8_t given) {
    switch (opcode >> 5) {
        case 0:
            return 6;
        case 1:
        case 2:
            return 10;
        case 4:
            return 16;
        case 5:
            return 12;
        default:
            return given;
    }
}

// Node names "sg12" or "sr0" with their number, in numeric order.
std::vector<std::pair<int, std::string>> nodes(const std::string& folder, const char* prefix) {
    std::vector<std::pair<int, std::string>> found;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return found;
    }
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() > 2 && name.compare(0, 2, prefix) == 0 &&
            std::all_of(name.begin() + 2, name.end(),
                        [](char c) { return c >= '0' && c <= '9'; }) &&
            name.size() < 8) {
            found.emplace_back(std::stoi(name.substr(2)), folder + "/" + name);
        }
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

SgPassThrough::SgPassThrough() : SgPassThrough("/dev") {}

SgPassThrough::SgPassThrough(const std::string& deviceFolder) {
    scan(deviceFolder);
}

SgPassThrough::~SgPassThrough() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (Slot& s : slots_) {
        if (s.worker.joinable()) {
            s.worker.join();  // a worker inside SG_IO returns by the kernel's time-out
        }
    }
    for (Device& d : devices_) {
        ::close(d.fd);
    }
}

std::int64_t SgPassThrough::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SgPassThrough::scan(const std::string& folder) {
    auto candidates = nodes(folder, "sg");
    const bool generic = !candidates.empty();
    if (!generic) {
        candidates = nodes(folder, "sr");
    }
    for (const auto& [number, node] : candidates) {
        // Non-blocking, so that an empty drive or an open tray never holds the open.
        int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        }
        if (fd < 0) {
            continue;
        }
        int version = 0;
        if (ioctl(fd, SG_GET_VERSION_NUM, &version) < 0 || version < 30000) {
            ::close(fd);
            continue;
        }
        Device d;
        d.node = node;
        d.fd = fd;
        int id = 0;
        int lun = 0;
        if (generic) {
            sg_scsi_id sid{};
            if (ioctl(fd, SG_GET_SCSI_ID, &sid) < 0) {
                ::close(fd);
                continue;
            }
            d.hostNumber = sid.host_no;
            id = sid.scsi_id;
            lun = sid.lun;
            d.type = sid.scsi_type;
        } else {
            int idlun[2] = {0, 0};
            if (ioctl(fd, SCSI_IOCTL_GET_IDLUN, idlun) < 0) {
                ::close(fd);
                continue;
            }
            id = idlun[0] & 0xFF;
            lun = (idlun[0] >> 8) & 0xFF;
            d.hostNumber = (idlun[0] >> 24) & 0xFF;
            d.type = 5;
        }
        d.target.targetId = static_cast<std::uint8_t>(id);
        d.target.lun = static_cast<std::uint8_t>(std::clamp(lun, 0, 255));
        if (version_.empty()) {
            version_ = std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) +
                       "." + std::to_string(version % 100);
        }
        devices_.push_back(std::move(d));
    }
    for (const Device& d : devices_) {
        if (std::find(hosts_.begin(), hosts_.end(), d.hostNumber) == hosts_.end()) {
            hosts_.push_back(d.hostNumber);
        }
    }
    std::sort(hosts_.begin(), hosts_.end());
    // Adapter numbers, and target ids that stay unique on an adapter when several channels
    // (or ids above 15) would collide.
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        Device& d = devices_[i];
        d.target.hostAdapter = static_cast<std::uint8_t>(
            std::find(hosts_.begin(), hosts_.end(), d.hostNumber) - hosts_.begin());
        auto taken = [&](std::uint8_t id) {
            for (std::size_t j = 0; j < i; ++j) {
                const ScsiTarget& t = devices_[j].target;
                if (t.hostAdapter == d.target.hostAdapter && t.targetId == id &&
                    t.lun == d.target.lun) {
                    return true;
                }
            }
            return false;
        };
        if (d.target.targetId > 15 || taken(d.target.targetId)) {
            for (std::uint8_t id = 0; id < 16; ++id) {
                if (!taken(id)) {
                    d.target.targetId = id;
                    break;
                }
            }
        }
    }
}

int SgPassThrough::hostAdapterCount() {
    return static_cast<int>(hosts_.size());
}

HostAdapterInfo SgPassThrough::inquireHostAdapter(int hostAdapter) {
    if (hostAdapter < 0 || hostAdapter >= static_cast<int>(hosts_.size())) {
        return {};
    }
    return HostAdapterInfo{
        padded("Linux sg driver"), padded("version " + version_),
        padded("scsi host " + std::to_string(hosts_[static_cast<std::size_t>(hostAdapter)]))};
}

const SgPassThrough::Device* SgPassThrough::find(const ScsiTarget& target) const {
    for (const Device& d : devices_) {
        if (d.target == target) {
            return &d;
        }
    }
    return nullptr;
}

int SgPassThrough::deviceType(const ScsiTarget& target) {
    const Device* d = find(target);
    return d != nullptr ? d->type : -1;
}

std::string SgPassThrough::deviceNode(const ScsiTarget& target) {
    const Device* d = find(target);
    return d != nullptr ? d->node : std::string();
}

SgPassThrough::Slot* SgPassThrough::slotOf(const ScsiRequest& request) {
    for (Slot& s : slots_) {
        if (s.request == &request) {
            return &s;
        }
    }
    return nullptr;
}

void SgPassThrough::send(ScsiRequest& request) {
    std::unique_lock lock(mutex_);
    request.status = scsi_status::kPending;
    request.transferred = 0;
    if (slotOf(request) != nullptr) {
        request.status = scsi_status::kInvalidCommand;
        return;
    }
    if (request.target.hostAdapter >= hosts_.size()) {
        request.status = scsi_status::kInvalidHostAdapter;
        return;
    }
    const Device* device = find(request.target);
    if (device == nullptr) {
        request.status = scsi_status::kNoDevice;
        return;
    }
    const bool lengthOk =
        request.cdbLength == 6 || request.cdbLength == 10 || request.cdbLength == 12;
    if (!lengthOk || (request.direction != DataDirection::None && request.length > 0 &&
                      request.buffer == nullptr)) {
        request.status = scsi_status::kInvalidCommand;
        return;
    }
    Slot* slot = nullptr;
    for (Slot& s : slots_) {
        if (s.request == nullptr && !s.queued && !s.running && !s.done) {
            slot = &s;
            break;
        }
    }
    if (slot == nullptr) {
        request.status = scsi_status::kAborted;  // ten already in flight
        return;
    }
    slot->request = &request;
    slot->deadlineMs = nowMs() + std::max(0, request.timeoutMs);
    slot->fd = device->fd;
    slot->cdb = request.cdb;
    slot->cdbLength = commandLength(request.cdb[0], request.cdbLength);
    slot->direction = request.direction;
    slot->length = request.direction == DataDirection::None ? 0 : request.length;
    slot->timeoutMs = std::max(1, request.timeoutMs);
    slot->data.resize(slot->length);
    if (request.direction == DataDirection::Out && slot->length > 0) {
        std::memcpy(slot->data.data(), request.buffer, slot->length);
    }
    slot->status = scsi_status::kPending;
    slot->sense = {};
    slot->transferred = 0;
    slot->queued = true;
    if (!slot->worker.joinable()) {
        slot->worker = std::thread([this, slot] { work(*slot); });
    }
    lock.unlock();
    workReady_.notify_all();
}

void SgPassThrough::work(Slot& slot) {
    std::unique_lock lock(mutex_);
    while (true) {
        workReady_.wait(lock, [&] { return stopping_ || (slot.queued && !slot.running); });
        if (stopping_) {
            return;
        }
        slot.running = true;
        std::array<std::uint8_t, 64> sense{};
        sg_io_hdr_t h{};
        h.interface_id = 'S';
        h.cmd_len = slot.cdbLength;
        h.cmdp = slot.cdb.data();
        h.dxfer_direction = slot.direction == DataDirection::In    ? SG_DXFER_FROM_DEV
                            : slot.direction == DataDirection::Out ? SG_DXFER_TO_DEV
                                                                   : SG_DXFER_NONE;
        h.dxfer_len = slot.length;
        h.dxferp = slot.length > 0 ? slot.data.data() : nullptr;
        h.mx_sb_len = static_cast<unsigned char>(sense.size());
        h.sbp = sense.data();
        h.timeout = static_cast<unsigned int>(slot.timeoutMs);
        const int fd = slot.fd;
        lock.unlock();
        const int rc = ioctl(fd, SG_IO, &h);
        const int err = errno;
        lock.lock();
        std::uint8_t status = scsi_status::kDone;
        if (rc < 0) {
            status = (err == ENODEV || err == ENXIO)   ? scsi_status::kNoDevice
                     : (err == EINVAL || err == EPERM) ? scsi_status::kInvalidCommand
                                                       : scsi_status::kAborted;
        } else if ((h.info & SG_INFO_OK_MASK) != SG_INFO_OK) {
            if (h.host_status == kHostTimeOut || (h.driver_status & 0x0F) == kDriverTimeout) {
                status = scsi_status::kTimeout;
            } else if (h.host_status == kHostNoConnect || h.host_status == kHostBadTarget) {
                status = scsi_status::kNoDevice;
            } else if (h.host_status != 0) {
                status = scsi_status::kAborted;
            } else {
                status = scsi_status::kError;  // CHECK CONDITION or another target status
            }
        }
        slot.status = status;
        // Sense beyond our 14 bytes is cut, whatever length the device claims.
        const std::size_t senseBytes = std::min<std::size_t>(h.sb_len_wr, kSenseLength);
        std::copy_n(sense.begin(), senseBytes, slot.sense.begin());
        const int moved = static_cast<int>(slot.length) - std::max(0, h.resid);
        slot.transferred =
            static_cast<std::uint32_t>(std::clamp(moved, 0, static_cast<int>(slot.length)));
        slot.running = false;
        slot.queued = false;
        slot.done = slot.request != nullptr;  // an abandoned request frees its slot here
        workDone_.notify_all();
    }
}

bool SgPassThrough::settle(Slot& slot, std::int64_t now) {
    ScsiRequest& r = *slot.request;
    if (slot.done) {
        if (r.direction == DataDirection::In && slot.transferred > 0 && r.buffer != nullptr) {
            std::memcpy(r.buffer, slot.data.data(), std::min(slot.transferred, r.length));
        }
        r.sense = slot.sense;
        r.transferred = slot.transferred;
        r.status = slot.status;
        slot.done = false;
        slot.request = nullptr;
        return true;
    }
    if (now >= slot.deadlineMs) {
        // The drive did not answer in time: the request ends here; the worker frees the
        // slot whenever the kernel gives the command back.
        r.status = scsi_status::kTimeout;
        r.transferred = 0;
        slot.request = nullptr;
        return true;
    }
    return false;
}

std::uint8_t SgPassThrough::poll(ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    if (Slot* s = slotOf(request)) {
        settle(*s, nowMs());
    }
    return request.status;
}

bool SgPassThrough::wait(ScsiRequest& request, int timeoutMs) {
    std::unique_lock lock(mutex_);
    const std::int64_t until = nowMs() + std::max(0, timeoutMs);
    while (true) {
        Slot* s = slotOf(request);
        if (s == nullptr) {
            return request.status != scsi_status::kPending;
        }
        const std::int64_t now = nowMs();
        if (settle(*s, now)) {
            return true;
        }
        if (now >= until) {
            return false;
        }
        const std::int64_t wake = std::min(until, s->deadlineMs);
        workDone_.wait_for(lock, std::chrono::milliseconds(std::max<std::int64_t>(1, wake - now)));
    }
}

void SgPassThrough::abandon(ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    if (Slot* s = slotOf(request)) {
        s->request = nullptr;
        s->done = false;
    }
}

}  // namespace ps

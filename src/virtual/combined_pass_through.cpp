#include "virtual/combined_pass_through.h"

#include <algorithm>

namespace ps {

void CombinedPassThrough::add(std::unique_ptr<PassThrough> part) {
    parts_.push_back(std::move(part));
}

PassThrough* CombinedPassThrough::route(int hostAdapter, int& local) {
    int first = 0;
    for (auto& p : parts_) {
        const int count = p->hostAdapterCount();
        if (hostAdapter >= first && hostAdapter < first + count) {
            local = hostAdapter - first;
            return p.get();
        }
        first += count;
    }
    return nullptr;
}

int CombinedPassThrough::hostAdapterCount() {
    int total = 0;
    for (auto& p : parts_) {
        total += p->hostAdapterCount();
    }
    return total;
}

HostAdapterInfo CombinedPassThrough::inquireHostAdapter(int hostAdapter) {
    int local = 0;
    PassThrough* p = route(hostAdapter, local);
    return p != nullptr ? p->inquireHostAdapter(local) : HostAdapterInfo{};
}

int CombinedPassThrough::deviceType(const ScsiTarget& target) {
    int local = 0;
    PassThrough* p = route(target.hostAdapter, local);
    if (p == nullptr) {
        return -1;
    }
    ScsiTarget t = target;
    t.hostAdapter = static_cast<std::uint8_t>(local);
    return p->deviceType(t);
}

std::string CombinedPassThrough::deviceNode(const ScsiTarget& target) {
    int local = 0;
    PassThrough* p = route(target.hostAdapter, local);
    if (p == nullptr) {
        return {};
    }
    ScsiTarget t = target;
    t.hostAdapter = static_cast<std::uint8_t>(local);
    return p->deviceNode(t);
}

PassThrough* CombinedPassThrough::owner(const ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    for (const auto& [r, p] : running_) {
        if (r == &request) {
            return p;
        }
    }
    return nullptr;
}

void CombinedPassThrough::forget(const ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [&](const auto& e) { return e.first == &request; }),
                   running_.end());
}

void CombinedPassThrough::send(ScsiRequest& request) {
    int local = 0;
    PassThrough* p = route(request.target.hostAdapter, local);
    if (p == nullptr) {
        request.status = scsi_status::kInvalidHostAdapter;
        return;
    }
    const std::uint8_t global = request.target.hostAdapter;
    request.target.hostAdapter = static_cast<std::uint8_t>(local);
    p->send(request);
    request.target.hostAdapter = global;
    if (request.status == scsi_status::kPending) {
        std::lock_guard lock(mutex_);
        running_.emplace_back(&request, p);
    }
}

std::uint8_t CombinedPassThrough::poll(ScsiRequest& request) {
    PassThrough* p = owner(request);
    if (p == nullptr) {
        return request.status;
    }
    const std::uint8_t status = p->poll(request);
    if (status != scsi_status::kPending) {
        forget(request);
    }
    return status;
}

bool CombinedPassThrough::wait(ScsiRequest& request, int timeoutMs) {
    PassThrough* p = owner(request);
    if (p == nullptr) {
        return request.status != scsi_status::kPending;
    }
    const bool done = p->wait(request, timeoutMs);
    if (done) {
        forget(request);
    }
    return done;
}

void CombinedPassThrough::abandon(ScsiRequest& request) {
    if (PassThrough* p = owner(request)) {
        p->abandon(request);
        forget(request);
    }
}

}  // namespace ps

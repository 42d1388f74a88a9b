#include "cdaccess/aspi_pass_through_chain.h"

#include <algorithm>

namespace ps {

void AspiPassThroughChain::append(PassThrough* link) {
    if (link != nullptr) {
        links_.push_back(link);
    }
}

int AspiPassThroughChain::hostAdapterCount() {
    int total = 0;
    for (PassThrough* link : links_) {
        total += std::max(link->hostAdapterCount(), 0);
    }
    return std::min(total, 255);
}

bool AspiPassThroughChain::route(const ScsiTarget& target, Route& out) {
    int first = 0;
    for (PassThrough* link : links_) {
        const int count = std::max(link->hostAdapterCount(), 0);
        if (target.hostAdapter < first + count) {
            out.link = link;
            out.target = target;
            out.target.hostAdapter = static_cast<std::uint8_t>(target.hostAdapter - first);
            return true;
        }
        first += count;
    }
    return false;
}

HostAdapterInfo AspiPassThroughChain::inquireHostAdapter(int hostAdapter) {
    Route r;
    if (hostAdapter < 0 || hostAdapter > 255 ||
        !route({static_cast<std::uint8_t>(hostAdapter), 0, 0}, r)) {
        return {};
    }
    return r.link->inquireHostAdapter(r.target.hostAdapter);
}

int AspiPassThroughChain::deviceType(const ScsiTarget& target) {
    Route r;
    return route(target, r) ? r.link->deviceType(r.target) : -1;
}

std::string AspiPassThroughChain::deviceNode(const ScsiTarget& target) {
    Route r;
    return route(target, r) ? r.link->deviceNode(r.target) : std::string{};
}

void AspiPassThroughChain::copyBack(ScsiRequest& outer, const ScsiRequest& inner) {
    outer.status = inner.status;
    outer.sense = inner.sense;
    outer.transferred = inner.transferred;
}

void AspiPassThroughChain::send(ScsiRequest& request) {
    // A request object sent again while its earlier run is pending gives that run up.
    abandon(request);
    Route r;
    if (!route(request.target, r)) {
        request.status = scsi_status::kInvalidHostAdapter;
        return;
    }
    auto inner = std::make_unique<ScsiRequest>(request);
    inner->target = r.target;
    r.link->send(*inner);
    copyBack(request, *inner);
    if (inner->status == scsi_status::kPending) {
        inFlight_[&request] = InFlight{r.link, std::move(inner)};
    }
}

std::uint8_t AspiPassThroughChain::poll(ScsiRequest& request) {
    auto it = inFlight_.find(&request);
    if (it == inFlight_.end()) {
        return request.status;
    }
    it->second.link->poll(*it->second.inner);
    copyBack(request, *it->second.inner);
    if (request.status != scsi_status::kPending) {
        inFlight_.erase(it);
    }
    return request.status;
}

bool AspiPassThroughChain::wait(ScsiRequest& request, int timeoutMs) {
    auto it = inFlight_.find(&request);
    if (it == inFlight_.end()) {
        return request.status != scsi_status::kPending;
    }
    const bool done = it->second.link->wait(*it->second.inner, timeoutMs);
    copyBack(request, *it->second.inner);
    if (request.status != scsi_status::kPending) {
        inFlight_.erase(it);
    }
    return done;
}

void AspiPassThroughChain::abandon(ScsiRequest& request) {
    auto it = inFlight_.find(&request);
    if (it == inFlight_.end()) {
        return;
    }
    it->second.link->abandon(*it->second.inner);
    inFlight_.erase(it);
}

}  // namespace ps

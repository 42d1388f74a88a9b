#include "platform/tracing_pass_through.h"

#include <algorithm>
#include <cstdlib>

namespace ps {

std::string scsiTracePrefix(const ScsiRequest& request) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string line = std::to_string(request.target.hostAdapter) + ":" +
                       std::to_string(request.target.targetId) + ":" +
                       std::to_string(request.target.lun);
    const std::size_t n = std::min<std::size_t>(request.cdbLength, request.cdb.size());
    for (std::size_t i = 0; i < n; ++i) {
        line += ' ';
        line += kHex[request.cdb[i] >> 4];
        line += kHex[request.cdb[i] & 0x0F];
    }
    switch (request.direction) {
        case DataDirection::In:
            line += " in ";
            break;
        case DataDirection::Out:
            line += " out ";
            break;
        case DataDirection::None:
            line += " none ";
            break;
    }
    line += std::to_string(request.length);
    return line;
}

TracingPassThrough::TracingPassThrough(std::unique_ptr<PassThrough> inner,
                                       const std::string& tracePath)
    : TracingPassThrough(*inner, tracePath) {
    owned_ = std::move(inner);
}

TracingPassThrough::TracingPassThrough(PassThrough& inner, const std::string& tracePath)
    : inner_(inner) {
    if (!tracePath.empty()) {
        file_ = std::fopen(tracePath.c_str(), "a");
    }
}

TracingPassThrough::~TracingPassThrough() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void TracingPassThrough::finishIfFinal(const ScsiRequest& request, bool force) {
    if (file_ == nullptr || (!force && request.status == scsi_status::kPending)) {
        return;
    }
    std::lock_guard lock(mutex_);
    // The latest line for this block: a block sent again while running is refused at once.
    auto rit = std::find_if(open_.rbegin(), open_.rend(),
                            [&](const Open& o) { return o.request == &request; });
    if (rit == open_.rend()) {
        return;
    }
    auto it = std::next(rit).base();
    char status[8];
    std::snprintf(status, sizeof status, "%X", request.status);
    std::fprintf(file_, "%s status %s\n", it->prefix.c_str(), status);
    std::fflush(file_);
    open_.erase(it);
}

void TracingPassThrough::send(ScsiRequest& request) {
    if (file_ != nullptr) {
        std::lock_guard lock(mutex_);
        open_.push_back(Open{&request, scsiTracePrefix(request)});
    }
    inner_.send(request);
    finishIfFinal(request, false);
}

std::uint8_t TracingPassThrough::poll(ScsiRequest& request) {
    const std::uint8_t status = inner_.poll(request);
    finishIfFinal(request, false);
    return status;
}

bool TracingPassThrough::wait(ScsiRequest& request, int timeoutMs) {
    const bool done = inner_.wait(request, timeoutMs);
    finishIfFinal(request, false);
    return done;
}

void TracingPassThrough::abandon(ScsiRequest& request) {
    inner_.abandon(request);
    finishIfFinal(request, true);
}

std::unique_ptr<PassThrough> traceFromEnvironment(std::unique_ptr<PassThrough> inner) {
    const char* path = std::getenv("PLATTERSCOOP_SCSI_TRACE");
    if (path == nullptr || *path == '\0') {
        return inner;
    }
    return std::make_unique<TracingPassThrough>(std::move(inner), path);
}

std::unique_ptr<PassThrough> traceFromEnvironment(PassThrough& inner) {
    const char* path = std::getenv("PLATTERSCOOP_SCSI_TRACE");
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    return std::make_unique<TracingPassThrough>(inner, path);
}

}  // namespace ps

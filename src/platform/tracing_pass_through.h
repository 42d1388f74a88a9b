#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/pass_through.h"

namespace ps {

// A pass-through that forwards everything to another and appends one line per command
// to a trace file once the command's status is final (or it is abandoned):
//   0:1:0 BE 04 00 00 00 00 00 00 1B F0 in 63504 status 1
// target, the command block (cdbLength bytes), direction and data length, status byte
// in hexadecimal.
class TracingPassThrough final : public PassThrough {
  public:
    // Appends to `tracePath`; when the file cannot be opened nothing is traced.
    TracingPassThrough(std::unique_ptr<PassThrough> inner, const std::string& tracePath);
    // The same over a pass-through that someone else owns and keeps alive.
    TracingPassThrough(PassThrough& inner, const std::string& tracePath);
    ~TracingPassThrough() override;

    bool tracing() const { return file_ != nullptr; }
    PassThrough& inner() { return inner_; }

    int hostAdapterCount() override { return inner_.hostAdapterCount(); }
    HostAdapterInfo inquireHostAdapter(int hostAdapter) override {
        return inner_.inquireHostAdapter(hostAdapter);
    }
    int deviceType(const ScsiTarget& target) override { return inner_.deviceType(target); }
    std::string deviceNode(const ScsiTarget& target) override { return inner_.deviceNode(target); }
    void send(ScsiRequest& request) override;
    std::uint8_t poll(ScsiRequest& request) override;
    bool wait(ScsiRequest& request, int timeoutMs) override;
    void abandon(ScsiRequest& request) override;

  private:
    struct Open {
        const ScsiRequest* request;
        std::string prefix;
    };
    void finishIfFinal(const ScsiRequest& request, bool force);

    std::unique_ptr<PassThrough> owned_;
    PassThrough& inner_;
    std::FILE* file_ = nullptr;
    std::mutex mutex_;
    std::vector<Open> open_;
};

// The trace line's text before " status": target, command block, direction and length.
std::string scsiTracePrefix(const ScsiRequest& request);

// Wraps `inner` in a TracingPassThrough when PLATTERSCOOP_SCSI_TRACE names a file;
// otherwise returns `inner` itself.
std::unique_ptr<PassThrough> traceFromEnvironment(std::unique_ptr<PassThrough> inner);
// A trace over `inner` when PLATTERSCOOP_SCSI_TRACE names a file, else nullptr.
std::unique_ptr<PassThrough> traceFromEnvironment(PassThrough& inner);

}  // namespace ps

#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/pass_through.h"

namespace ps {

// Several pass-throughs as one: their host adapters follow each other in the order the
// parts were added (the real drives first, then the virtual adapter). A request's host
// adapter number is translated for the part only while it is being sent.
class CombinedPassThrough final : public PassThrough {
  public:
    void add(std::unique_ptr<PassThrough> part);

    int hostAdapterCount() override;
    HostAdapterInfo inquireHostAdapter(int hostAdapter) override;
    int deviceType(const ScsiTarget& target) override;
    std::string deviceNode(const ScsiTarget& target) override;
    void send(ScsiRequest& request) override;
    std::uint8_t poll(ScsiRequest& request) override;
    bool wait(ScsiRequest& request, int timeoutMs) override;
    void abandon(ScsiRequest& request) override;

  private:
    // The part owning an adapter number, and the number inside it; nullptr when none.
    PassThrough* route(int hostAdapter, int& local);
    PassThrough* owner(const ScsiRequest& request);
    void forget(const ScsiRequest& request);

    std::vector<std::unique_ptr<PassThrough>> parts_;
    std::mutex mutex_;
    std::vector<std::pair<const ScsiRequest*, PassThrough*>> running_;
};

}  // namespace ps

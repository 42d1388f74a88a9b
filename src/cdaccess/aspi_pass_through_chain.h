#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/pass_through.h"

namespace ps {

// Several pass-throughs seen as one: the host adapters of each follow those of the
// ones before it, so real drives come first and virtual drives after them. Requests
// go to the pass-through that owns their host adapter with the adapter number it
// knows; their outcome is copied back when the caller sends, polls or waits.
class AspiPassThroughChain final : public PassThrough {
  public:
    // Links are asked in order; null links are skipped.
    void append(PassThrough* link);

    int hostAdapterCount() override;
    HostAdapterInfo inquireHostAdapter(int hostAdapter) override;
    int deviceType(const ScsiTarget& target) override;
    std::string deviceNode(const ScsiTarget& target) override;
    void send(ScsiRequest& request) override;
    std::uint8_t poll(ScsiRequest& request) override;
    bool wait(ScsiRequest& request, int timeoutMs) override;
    void abandon(ScsiRequest& request) override;

  private:
    struct Route {
        PassThrough* link = nullptr;
        ScsiTarget target;  // as the link knows it
    };
    struct InFlight {
        PassThrough* link = nullptr;
        std::unique_ptr<ScsiRequest> inner;
    };
    bool route(const ScsiTarget& target, Route& out);
    void copyBack(ScsiRequest& outer, const ScsiRequest& inner);

    std::vector<PassThrough*> links_;
    std::map<ScsiRequest*, InFlight> inFlight_;
};

}  // namespace ps

#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/pass_through.h"

namespace ps {

// The pass-through over the Linux SCSI generic driver: SG_IO on the /dev/sg* nodes, or
// on the CD nodes /dev/sr* where no sg node exists. Host adapters are the Linux SCSI
// hosts that have a node, numbered from 0 in the kernel's order; target and LUN come
// from the kernel's SCSI address. Requests run on worker threads (up to ten at once)
// into buffers of their own, so that a request given up after its time-out can never
// write into the caller's memory; results reach the request in send, poll and wait.
class SgPassThrough final : public PassThrough {
  public:
    static constexpr int kMaxInFlight = 10;

    // Scans /dev.
    SgPassThrough();
    // Scans another folder for sg and sr nodes (tests).
    explicit SgPassThrough(const std::string& deviceFolder);
    ~SgPassThrough() override;
    SgPassThrough(const SgPassThrough&) = delete;
    SgPassThrough& operator=(const SgPassThrough&) = delete;

    int hostAdapterCount() override;
    HostAdapterInfo inquireHostAdapter(int hostAdapter) override;
    int deviceType(const ScsiTarget& target) override;
    std::string deviceNode(const ScsiTarget& target) override;
    void send(ScsiRequest& request) override;
    std::uint8_t poll(ScsiRequest& request) override;
    bool wait(ScsiRequest& request, int timeoutMs) override;
    void abandon(ScsiRequest& request) override;

    // The sg driver's version, e.g. "3.5.36"; empty when no node answered.
    const std::string& driverVersion() const { return version_; }

  private:
    struct Device {
        std::string node;
        int fd = -1;
        int hostNumber = 0;  // the kernel's
        ScsiTarget target;
        int type = -1;
    };
    struct Slot {
        // Owned by the caller's side (under mutex_).
        ScsiRequest* request = nullptr;  // nullptr when free or abandoned
        std::int64_t deadlineMs = 0;
        // The work, and the worker's results (under mutex_).
        bool queued = false;
        bool running = false;
        bool done = false;
        int fd = -1;
        std::array<std::uint8_t, 16> cdb{};
        std::uint8_t cdbLength = 0;
        DataDirection direction = DataDirection::None;
        std::uint32_t length = 0;
        int timeoutMs = 0;
        std::vector<std::uint8_t> data;
        std::uint8_t status = scsi_status::kPending;
        std::array<std::uint8_t, kSenseLength> sense{};
        std::uint32_t transferred = 0;
        std::thread worker;
    };
    void scan(const std::string& folder);
    const Device* find(const ScsiTarget& target) const;
    Slot* slotOf(const ScsiRequest& request);
    bool settle(Slot& slot, std::int64_t now);  // true when the request is finished
    void work(Slot& slot);
    static std::int64_t nowMs();

    std::vector<Device> devices_;
    std::vector<int> hosts_;  // kernel host numbers, indexed by adapter number
    std::string version_;
    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable workDone_;
    bool stopping_ = false;
    std::array<Slot, kMaxInFlight> slots_{};
};

}  // namespace ps

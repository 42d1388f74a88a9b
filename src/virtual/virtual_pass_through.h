#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/pass_through.h"
#include "virtual/virtual_drive.h"

namespace ps {

// The pass-through over virtual drives: one host adapter of its own whose targets are
// the drives added to it (device node "virtual"). A command runs on the drive at once;
// its status, sense and transfer count become visible when the drive's answer is due
// (slow answers, paced reads), or kTimeout at the request's time-out when the drive
// would answer later or never.
class VirtualPassThrough final : public PassThrough {
  public:
    static constexpr int kMaxInFlight = 10;

    explicit VirtualPassThrough(Clock& clock);

    // Adds a drive as target `targetId` (0..15) of the adapter; returns false when the
    // id is out of range or taken.
    bool addDrive(std::shared_ptr<VirtualDrive> drive, std::uint8_t targetId);
    std::shared_ptr<VirtualDrive> drive(std::uint8_t targetId) const;

    int hostAdapterCount() override;
    HostAdapterInfo inquireHostAdapter(int hostAdapter) override;
    int deviceType(const ScsiTarget& target) override;
    std::string deviceNode(const ScsiTarget& target) override;
    void send(ScsiRequest& request) override;
    std::uint8_t poll(ScsiRequest& request) override;
    bool wait(ScsiRequest& request, int timeoutMs) override;
    void abandon(ScsiRequest& request) override;

    // Requests sent and not yet finished or abandoned.
    int inFlight() const;

  private:
    struct Pending {
        ScsiRequest* request = nullptr;
        std::int64_t dueMs = 0;
        std::uint8_t status = scsi_status::kPending;
        std::array<std::uint8_t, kSenseLength> sense{};
        std::uint32_t transferred = 0;
    };
    VirtualDrive* driveAt(const ScsiTarget& target) const;
    Pending* find(const ScsiRequest& request);
    // Publishes the outcome when it is due; true when the request is finished.
    bool settle(Pending& pending, std::int64_t now);

    Clock& clock_;
    mutable std::mutex mutex_;
    std::array<std::shared_ptr<VirtualDrive>, 16> drives_{};
    std::array<Pending, kMaxInFlight> pending_{};
};

// How the environment asks for a virtual drive: PLATTERSCOOP_VIRTUAL_DRIVE names an
// image or "demo"; PLATTERSCOOP_VIRTUAL_FAULTS lists its faults.
struct VirtualDriveEnvironment {
    bool requested = false;  // PLATTERSCOOP_VIRTUAL_DRIVE is set and not empty
    std::string image;       // "demo" or a CUE sheet path
    VirtualFaults faults;
};

// Reads the two variables. False with an explanation when the fault list is bad.
bool readVirtualDriveEnvironment(VirtualDriveEnvironment& environment, std::string& error);

// Builds a drive with the image and faults given. nullptr and an explanation when the
// image cannot be loaded.
std::shared_ptr<VirtualDrive> makeVirtualDrive(Clock& clock, const std::string& image,
                                               const VirtualFaults& faults, std::string& error);

// The pass-through the environment asks for: one drive at target 0, with the demo disc
// when PLATTERSCOOP_VIRTUAL_DRIVE is unset. nullptr and an explanation on a bad image
// or fault list.
std::unique_ptr<VirtualPassThrough> makeVirtualPassThroughFromEnvironment(Clock& clock,
                                                                          std::string& error);

}  // namespace ps

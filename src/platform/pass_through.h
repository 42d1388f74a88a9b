#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ps {

// Address of a SCSI device behind the pass-through: host adapter, target id, logical unit.
struct ScsiTarget {
    std::uint8_t hostAdapter = 0;
    std::uint8_t targetId = 0;
    std::uint8_t lun = 0;
    friend bool operator==(const ScsiTarget&, const ScsiTarget&) = default;
};

enum class DataDirection : std::uint8_t { None, In, Out };

// Request status bytes. 0 while the request runs, 1 on success; anything else is an
// error. The pass-through's own failures use the classic manager codes.
namespace scsi_status {
inline constexpr std::uint8_t kPending = 0x00;
inline constexpr std::uint8_t kDone = 0x01;
inline constexpr std::uint8_t kAborted = 0x02;
inline constexpr std::uint8_t kError = 0x04;  // the device answered CHECK CONDITION; see sense
inline constexpr std::uint8_t kInvalidCommand = 0x80;
inline constexpr std::uint8_t kInvalidHostAdapter = 0x81;
inline constexpr std::uint8_t kNoDevice = 0x82;
inline constexpr std::uint8_t kTimeout = 0x09;  // no answer within the request's time-out
}  // namespace scsi_status

inline constexpr std::size_t kSenseLength = 14;

// One command execution request. The caller owns it and its buffer; both must stay
// alive until the request is no longer pending or `abandon` has returned. The outputs
// are written only inside the pass-through's `send`, `poll`, `wait` and `abandon` calls,
// so the caller's thread always sees a consistent request.
struct ScsiRequest {
    ScsiTarget target;
    std::array<std::uint8_t, 16> cdb{};  // bytes past cdbLength stay 0
    std::uint8_t cdbLength = 0;          // 6, 10 or 12
    DataDirection direction = DataDirection::None;
    std::uint8_t* buffer = nullptr;
    std::uint32_t length = 0;
    bool eventNotify = true;  // completion by event (wait) or by polling (poll)
    int timeoutMs = 3000;

    // Outputs.
    std::uint8_t status = scsi_status::kPending;
    std::array<std::uint8_t, kSenseLength> sense{};  // cut to this size whatever the device claims
    std::uint32_t transferred = 0;                   // bytes the device actually moved
};

// Identification answered by a host adapter inquiry, each field blank-padded to 16.
struct HostAdapterInfo {
    std::string managerId;
    std::string adapterId;
    std::string uniqueParameters;
};

// The SCSI pass-through: the classic manager's three services (host adapter inquiry,
// device type query, command execution), with up to ten execution requests in flight.
class PassThrough {
  public:
    virtual ~PassThrough() = default;

    // Number of host adapters; 0 when there is nothing to talk to.
    virtual int hostAdapterCount() = 0;
    // Identification of one host adapter; completes at once.
    virtual HostAdapterInfo inquireHostAdapter(int hostAdapter) = 0;
    // Peripheral device type of a target (5 for CD-ROM), or -1 when no device is there;
    // completes at once.
    virtual int deviceType(const ScsiTarget& target) = 0;
    // Device node the target stands for ("/dev/sg1", or "virtual"); empty when unknown.
    virtual std::string deviceNode(const ScsiTarget& target) = 0;

    // Starts a request and returns at once; the status may already be final.
    virtual void send(ScsiRequest& request) = 0;
    // Checks for completion without blocking and returns the status byte.
    virtual std::uint8_t poll(ScsiRequest& request) = 0;
    // Waits until the request is no longer pending, at most timeoutMs. True when completed.
    virtual bool wait(ScsiRequest& request, int timeoutMs) = 0;
    // Gives up on a request that has not completed (its time-out passed): afterwards
    // the pass-through never touches the request or its buffer again.
    virtual void abandon(ScsiRequest& request) = 0;
};

}  // namespace ps

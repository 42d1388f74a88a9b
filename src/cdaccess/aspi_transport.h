#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cdaccess/scsi_commands.h"
#include "platform/clock.h"
#include "platform/pass_through.h"

namespace ps {

// A CD drive found by discovery.
struct AspiDrive {
    std::string name;  // INQUIRY vendor, product and revision as returned
    ScsiTarget target;
    int typeIndex = 0;  // row of the drive type table
    std::string node;   // device node the pass-through reports, for display only
};

// What the transport needs from the program around it. Every member may be empty.
struct AspiHooks {
    std::function<void()> pump;            // processes pending window messages
    std::function<void()> beep;            // the default system beep
    std::function<bool()> abortRequested;  // the user's abort flag, ends a polled wait
    std::function<void(const std::string&)> diagnostic;  // "ASPI Error: %X" and the like
};

// The ring of execution requests and buffers the extraction keeps in flight.
struct AspiReadRing {
    static constexpr int kSlots = 10;
    static constexpr std::size_t kBufferBytes = 65000;
    std::array<ScsiRequest, kSlots> requests{};
    std::vector<std::uint8_t> storage = std::vector<std::uint8_t>(kSlots * kBufferBytes, 0);
    std::uint8_t* buffer(int slot) {
        return storage.data() + static_cast<std::size_t>(slot) * kBufferBytes;
    }
};

// The transport to the CD drives over the pass-through: runs commands with their
// completion pattern, finds the drives and keeps the one that commands go to.
class AspiTransport {
  public:
    static constexpr int kMaxDrives = 10;
    static constexpr std::size_t kMaxManagerText = 48;
    static constexpr int kTargetsPerAdapter = 16;

    AspiTransport(PassThrough& passThrough, Clock& clock, AspiHooks hooks = {});

    PassThrough& passThrough() { return passThrough_; }
    Clock& clock() { return clock_; }
    AspiHooks& hooks() { return hooks_; }

    // Runs one command on the current target (or on `target`) and returns the status
    // byte: 1 on success, 0 when it did not complete in its time-out, else the error.
    // Event commands wait up to their time-out; polled ones are re-read for up to
    // their time-out with the pump between reads, ending early on the abort flag.
    // `buffer` must hold `command.dataLength` bytes.
    std::uint8_t execute(const ScsiCommand& command, std::uint8_t* buffer);
    std::uint8_t executeAt(const ScsiTarget& target, const ScsiCommand& command,
                           std::uint8_t* buffer);

    // Fills a request for the current target from a command, for callers that send
    // through the pass-through themselves (the extraction ring).
    void prepare(ScsiRequest& request, const ScsiCommand& command, std::uint8_t* buffer) const;

    // Waiting for a sent request, for those callers. Neither abandons the request: a
    // caller that gives up on it calls the pass-through's `abandon` (or waits again).
    enum class WaitResult { Completed, TimedOut, Aborted };
    // Blocks on the request's completion for at most `timeoutMs`.
    WaitResult awaitEvent(ScsiRequest& request, int timeoutMs);
    // Re-reads the status for at most `timeoutMs`, running the pump between reads and
    // ending early when the abort flag is set.
    WaitResult awaitPolled(ScsiRequest& request, int timeoutMs);

    // Lists the CD drives on every host adapter (targets 0..15, unit 0, at most 10
    // drives) and returns their number. The current target is left as it was; the
    // selected drive index is cleared when the list no longer reaches it.
    int discoverDrives();
    const std::vector<AspiDrive>& drives() const { return drives_; }

    // Makes a listed drive the current target; its type sets the drive type and family.
    // False for an index outside the list.
    bool selectDrive(int index);
    // Sets the selected drive type row and the family of commands.
    void selectDriveType(int typeIndex);

    // Start-up: discovery, the saved default drive (a case-sensitive prefix of the
    // display name; the first drive when none matches), the saved drive type text
    // shown for it, which is written back, then the host adapter inquiry. Returns the
    // length of the manager text, 0 when no host adapter answered.
    int startInterfacing(std::string_view defaultDrive, std::string& cdRomType);

    // Host adapter inquiry for the current adapter; refreshes and returns the manager text.
    const std::string& refreshManagerText();
    const std::string& managerText() const { return managerText_; }

    // After a failed read: tells the diagnostic display and makes the drive recalibrate.
    void reportAspiError(std::uint8_t status);
    const std::string& lastErrorText() const { return lastErrorText_; }

    const ScsiTarget& currentTarget() const { return target_; }
    int driveFamily() const { return family_; }
    int selectedDriveType() const { return typeIndex_; }
    int selectedDrive() const { return selectedDrive_; }  // -1 when none

  private:
    PassThrough& passThrough_;
    Clock& clock_;
    AspiHooks hooks_;
    std::vector<AspiDrive> drives_;
    ScsiTarget target_{};
    int family_;
    int typeIndex_ = 0;
    int selectedDrive_ = -1;
    std::string managerText_ = "Aspi not installed";
    std::string lastErrorText_;
};

}  // namespace ps

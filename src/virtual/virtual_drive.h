#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/pass_through.h"
#include "virtual/disc_image.h"
#include "virtual/virtual_faults.h"

namespace ps {

// Sense keys and additional sense codes the virtual drive reports.
namespace sense_key {
inline constexpr std::uint8_t kNoSense = 0x00;
inline constexpr std::uint8_t kNotReady = 0x02;
inline constexpr std::uint8_t kMediumError = 0x03;
inline constexpr std::uint8_t kIllegalRequest = 0x05;
}  // namespace sense_key

// What one command did: the status byte (kDone or kError with sense), the bytes moved,
// and when the drive answers.
struct ScsiOutcome {
    std::uint8_t status = scsi_status::kDone;
    std::array<std::uint8_t, kSenseLength> sense{};
    std::uint32_t transferred = 0;
    std::int64_t completeAtMs = 0;  // clock time of the answer
    bool neverCompletes = false;    // the drive swallowed the command
};

// Audio status of READ SUB-CHANNEL.
enum class AudioStatus : std::uint8_t {
    NoStatus = 0x15,
    Playing = 0x11,
    Paused = 0x12,
    Completed = 0x13,
    Error = 0x14,
};

// A CD drive in software. It answers the SCSI commands of every drive family the
// program knows (READ CD, READ(10) after a 2352-byte MODE SELECT, the D4 and D8 vendor
// reads, READ TOC, READ SUB-CHANNEL, play, pause, speed, mode pages, tray, INQUIRY),
// and offers the same disc to the CD audio device and the CD-ROM driver faces.
// All members are safe to call from several threads.
class VirtualDrive {
  public:
    VirtualDrive(Clock& clock, std::shared_ptr<const DiscImage> disc, VirtualFaults faults = {});

    // One SCSI command. The data buffer is filled at once; the outcome says when the
    // drive answers. `cdbLength` tells the 10- and 12-byte D4 forms apart.
    ScsiOutcome execute(const std::uint8_t* cdb, int cdbLength, DataDirection direction,
                        std::uint8_t* buffer, std::uint32_t length);

    // The medium.
    // Swaps discs between commands; inserting one also ends the nodisc fault.
    void insertDisc(std::shared_ptr<const DiscImage> disc);
    void removeDisc();
    std::shared_ptr<const DiscImage> disc() const;  // nullptr when none or the tray is open
    bool trayOpen() const;
    void openTray();
    void closeTray();

    void setFaults(const VirtualFaults& faults);
    VirtualFaults faults() const;

    // Audio play, in sectors; `end` is the first sector not played.
    ScsiOutcome play(std::int32_t start, std::int32_t end);
    ScsiOutcome pause();
    ScsiOutcome resume();
    void stop();
    std::int32_t playPosition();  // advances in real time while playing
    AudioStatus audioStatus();

    // Raw 2352-byte sectors with the faults (jitter, swap, errors, short) applied.
    ScsiOutcome readRaw(std::int32_t lba, std::uint32_t count, std::uint8_t* out);

    // Current read speed in kB/s as SET CD SPEED left it, and the fastest.
    int readSpeedKBps() const;
    static constexpr int kMaxSpeedKBps = 7056;  // 40x

    // Opening by the CD audio device: one exclusive user, or any number of shared ones.
    // `usedElsewhere` stands for another program holding the drive.
    bool acquire(bool exclusive);
    void release(bool exclusive);
    void setUsedElsewhere(bool used);

  private:
    using Lock = std::unique_lock<std::mutex>;
    ScsiOutcome good(std::uint32_t transferred = 0) const;
    ScsiOutcome check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                      std::int64_t information = -1);
    bool readyLocked(ScsiOutcome& failure);
    void updatePlayLocked();
    ScsiOutcome pauseLocked();
    ScsiOutcome resumeLocked();
    ScsiOutcome playLocked(std::int32_t start, std::int32_t end);
    ScsiOutcome readLocked(std::int32_t lba, std::uint32_t count, std::uint8_t* out,
                           std::uint32_t capacity, int sectorKind, bool userDataOnly);
    ScsiOutcome inquiry(const std::uint8_t* cdb, std::uint8_t* buffer, std::uint32_t length);
    ScsiOutcome readToc(const std::uint8_t* cdb, std::uint8_t* buffer, std::uint32_t length);
    ScsiOutcome readSubChannel(const std::uint8_t* cdb, std::uint8_t* buffer, std::uint32_t length);
    ScsiOutcome modeSense(const std::uint8_t* cdb, bool ten, std::uint8_t* buffer,
                          std::uint32_t length);
    ScsiOutcome modeSelect(const std::uint8_t* cdb, bool ten, const std::uint8_t* buffer,
                           std::uint32_t length);
    ScsiOutcome setSpeed(const std::uint8_t* cdb);
    ScsiOutcome requestSense(const std::uint8_t* cdb, std::uint8_t* buffer, std::uint32_t length);
    ScsiOutcome readCapacity(std::uint8_t* buffer, std::uint32_t length);

    Clock& clock_;
    mutable std::mutex mutex_;
    std::shared_ptr<const DiscImage> disc_;
    VirtualFaults faults_;
    std::vector<int> errorHits_;  // reads failed so far per error fault
    std::mt19937 random_;
    bool trayOpen_ = false;
    std::uint32_t blockLength_ = 2048;
    int speedKBps_ = kMaxSpeedKBps;
    double busyUntilMs_ = 0.0;  // reads queue behind each other at the set pace
    std::array<std::uint8_t, kSenseLength> lastSense_{};

    AudioStatus audio_ = AudioStatus::NoStatus;
    std::int32_t playFrom_ = 0;  // where the play (or the last resume) began
    std::int32_t playEnd_ = 0;
    std::int64_t playSinceMs_ = 0;
    std::int32_t position_ = 0;

    int sharedUsers_ = 0;
    bool exclusiveUser_ = false;
    bool usedElsewhere_ = false;
    std::vector<std::uint8_t> scratch_;  // raw sectors for user-data reads
};

}  // namespace ps

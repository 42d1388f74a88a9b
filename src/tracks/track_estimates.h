#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tracks/disc_record.h"

namespace ps {

struct Settings;
class TextTable;

// Free space of the drive that holds a directory.
class FreeSpace {
  public:
    virtual ~FreeSpace() = default;
    // Free bytes; nullopt when the directory's drive cannot be asked.
    virtual std::optional<std::uint64_t> freeBytes(const std::string& directory) const = 0;
};

// Free space as the standard library's file system reports it.
class FilesystemFreeSpace final : public FreeSpace {
  public:
    std::optional<std::uint64_t> freeBytes(const std::string& directory) const override;
};

// Where a grab job stands, for the time estimate. Phase 3 is the idle list: the whole
// selection counts and the other fields are ignored.
struct TimeEstimateJob {
    static constexpr int kIdle = 3;
    static constexpr int kSecondPhase = 4;
    int phase = kIdle;
    std::size_t rowsDone = 0;  // the first row not yet processed
    // With RipAllTracksBeforeEncoding: the frames of the tracks grabbed and not yet
    // encoded, whose encode time still lies ahead.
    std::int64_t grabbedFramesToEncode = 0;
};

// Seconds the job still needs, never negative.
std::int64_t estimateSecondsLeft(const DiscRecord& disc, const Settings& settings,
                                 bool directEncodeActive, const TimeEstimateJob& job);
// TimeLeftStatus with hours (modulo 99), minutes and seconds.
std::string formatTimeLeft(const TextTable& texts, std::int64_t seconds);

// The compressed bytes per second of a codec format: the leading number of `CodecMode`
// × 125, or when that is 0 the number before " kBit" (a "~" before it skipped) × 125.
std::int64_t codecBytesPerSecond(std::string_view codecMode);

struct DiskSpaceEstimate {
    std::int64_t sum = 0;      // bytes left on the disk after the job
    std::int64_t maximum = 0;  // the most the job holds at any time
    double neededMb = 0.0;
    double freeMb = 0.0;
    bool freeKnown = false;
};

DiskSpaceEstimate estimateDiskSpace(const DiscRecord& disc, const Settings& settings,
                                    bool directEncodeActive,
                                    std::optional<std::uint64_t> freeBytes);
// DiskNeededStatus.
std::string formatDiskNeeded(const TextTable& texts, const DiskSpaceEstimate& estimate);

}  // namespace ps

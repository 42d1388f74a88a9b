#pragma once

#include <array>
#include <cstdint>

namespace ps {

// The table of contents as the read method reports it. Track numbers index the
// arrays directly (1..99; slot 0 is unused).
struct DiscTrack {
    std::int32_t startSector = 0;
    std::int32_t endSector = 0;  // the next track's start minus 1; for the last, lead-out minus 1
    bool dataTrack = false;
};

struct DiscTable {
    static constexpr int kMaxTracks = 99;
    int firstTrack = 0;
    int lastTrack = 0;
    std::array<DiscTrack, kMaxTracks + 1> tracks{};
    std::int32_t totalSectors = 0;  // all tracks together

    bool empty() const { return lastTrack < firstTrack || lastTrack == 0; }
};

// Figures of the last extraction, reset when an extraction starts.
struct ExtractionStatistics {
    std::int16_t lowestSample = 0;
    std::int16_t highestSample = 0;
    std::uint32_t checksum = 0;
    std::int16_t checksumStatus = 0;  // 0..3: which ends of the rip were silent
};

// Results of StartRecord (and of the helper's ContinueRecord).
namespace record_result {
inline constexpr int kDone = 1;
inline constexpr int kNotStarted = 0;
inline constexpr int kRetriesExhausted = 4;
inline constexpr int kCommandIncomplete = 255;
inline constexpr int kHelperSynchLostNow = 9999;
inline constexpr int kSynchLost = 10000;
inline constexpr int kHelperFinished = 10001;
inline constexpr int kAbortedTrack = 10002;
inline constexpr int kWriteFailed = 10003;
inline constexpr int kAbortedAll = 10004;
inline constexpr int kRangeNotInOneTrack = 10005;
inline constexpr int kHelperInterfaceProblem = -32510;
}  // namespace record_result

}  // namespace ps

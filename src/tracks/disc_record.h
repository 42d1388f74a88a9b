#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ps {

// Copy results of one track, as the grab job leaves them for the list and the reports.
struct TrackCopyResults {
    int copyStatus = 0;  // 0 not copied, 256 copied, 257.. the failures
    std::uint32_t checksum = 0;
    int checksumState = -1;         // 0..3 which ends were silent; -1 none
    bool checksumAvailable = true;  // false with NoChecksum or in ANALOG mode
    int speed = -1;                 // measured read speed x 100; -1 none
    int lostSynchs = 0;
    int speedProblems = 0;
    int possibleSpeedProblems = 0;
    int oldPeak = -1;  // percent; -1 when there is no value
    int newPeak = -1;
    int oldAverage = -1;
    int newAverage = -1;
    int oldCompact = -1;
    int newCompact = -1;
    int waveStoreCode = 0;  // 0, 1..100 the "-N" of the name, 101 not stored
    int compressedStoreCode = 0;
    std::string wavePath;        // where the wave file was stored; empty when none
    std::string compressedPath;  // where the compressed file was stored; empty when none
};

// One track of the inserted disc.
struct TrackRecord {
    std::int32_t start = 0;  // first frame
    std::int32_t end = 0;    // last frame
    bool dataTrack = false;
    std::string name;  // ISO-8859-1
    bool selected = false;
    std::string information;  // the fourth column
    TrackCopyResults results;

    std::int32_t frames() const { return end - start + 1; }
};

// The inserted disc and its tracks. Track numbers index `tracks` directly (1..100);
// `rows` holds the track number shown in each list row, in list order.
struct DiscRecord {
    static constexpr int kMaxTrackNumber = 100;
    static constexpr int kShuttingDown = 999;

    int firstTrack = 0;
    int lastTrack = 0;                 // 0 no disc; 999 shutting down
    std::int32_t totalLength = 0;      // frames
    std::uint32_t cdPlayerNumber = 0;  // media identity; 0 none
    std::string artist;                // ISO-8859-1
    std::string album;
    bool listReady = false;
    bool autoQueryDue = false;
    std::array<TrackRecord, kMaxTrackNumber + 1> tracks{};
    std::vector<int> rows;

    TrackRecord& trackAtRow(std::size_t row) { return tracks[static_cast<std::size_t>(rows[row])]; }
    const TrackRecord& trackAtRow(std::size_t row) const {
        return tracks[static_cast<std::size_t>(rows[row])];
    }
};

}  // namespace ps

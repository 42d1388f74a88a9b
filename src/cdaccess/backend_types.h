#pragma once

#include <cstdint>

namespace ps {

// The arguments of one StartRecord call, as the grab job passes them.
struct RecordRequest {
    // Inclusive range of logical sectors to read.
    std::int32_t startSector = 0;
    std::int32_t endSector = 0;
    // Sectors of silence that may stay at the start and at the end; 3000 never trims.
    std::int16_t leadingSilenceLimit = 3000;
    std::int16_t trailingSilenceLimit = 3000;
    // Bit 0: write the samples to temp.wav. Clear: read only (spin-up, measuring).
    std::int16_t options = 0;
    // Non-zero switches the running checksum off.
    std::int16_t checksumOff = 0;
    // Sectors at the start of the range that are read but not written.
    std::int16_t skipSectors = 0;

    static constexpr std::int16_t kWriteFile = 1;
    bool writesFile() const { return (options & kWriteFile) != 0; }
};

// Figures of the last extraction beyond the statistics of the read method.
struct ExtractionFigures {
    int speed = -1;  // read speed x 100; -1 none
    int lostSynchs = 0;
    int speedProblems = 0;
    int possibleSpeedProblems = 0;
};

}  // namespace ps

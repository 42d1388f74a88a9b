#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ps {

// A range of sectors whose reads fail with a medium error: always (failCount < 0) or
// only the first failCount reads that touch it.
struct SectorErrorFault {
    std::int32_t first = 0;
    std::int32_t last = 0;
    int failCount = -1;
};

// The misbehaviour a virtual drive shows on purpose. Everything is off by default; the
// random choices (jitter) come from `seed`, so a run repeats exactly.
struct VirtualFaults {
    std::uint32_t seed = 1;
    int jitterFrames = 0;    // each read starts up to this many stereo frames early or late
    bool swapBytes = false;  // the two bytes of every sample swapped
    std::vector<SectorErrorFault> errors;
    double speed = 0.0;                        // multiple of real time for reads; 0 = unlimited
    int slowMs = 0;                            // every command answers this much late
    std::vector<std::int32_t> timeoutSectors;  // a read touching one never completes
    std::vector<std::int32_t> shortSectors;    // a read touching one transfers less
    bool noDisc = false;
    bool trayOpen = false;
    std::string vendor;  // INQUIRY identification; empty = the drive's own
    std::string product;
    std::string revision;
    bool scsi = false;  // INQUIRY answers ANSI version 2, response data format 2
};

// Parses the comma-separated fault list of PLATTERSCOOP_VIRTUAL_FAULTS, e.g.
// "seed=7,jitter=4,error=100-120/2,speed=8". Empty text is no faults. On a bad
// entry returns false and says which in `error`, leaving `faults` unchanged.
bool parseVirtualFaults(const std::string& text, VirtualFaults& faults, std::string& error);

}  // namespace ps

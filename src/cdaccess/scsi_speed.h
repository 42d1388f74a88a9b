#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ps {

// One entry of the read speed choice: its text and, for ATAPI drives, the speed factor
// (multiple of 1x, 0 for "Default" and the fixed entries of other drives).
struct SpeedEntry {
    std::string text;
    int factor = 0;
};

// Entry 0 is always "Default"; an entry's position is the speed index the mode
// selects of the SCSI families use.
using SpeedList = std::vector<SpeedEntry>;

inline constexpr int kMaxSpeedFactor = 32;

// "  %d.00 X" below 10, "%d.00 X" from 10 on.
std::string speedFactorText(int factor);
// The kB/s asked for a factor on a given try: factor x 176400 / 1000 + try.
int speedRequest(int factor, int attempt);

// "Default" followed by the fixed entries of a non-ATAPI drive type (only "Default"
// for types without a fixed list, ATAPI among them).
SpeedList fixedSpeedList(int typeIndex);
// "Default" followed by every factor from 1 to 32.
SpeedList allAtapiSpeeds();

// The entry that matches the saved speed text, 0 when none does. ATAPI drives match
// by number (both above 0), other drives by the text without its leading blanks.
int matchSpeedEntry(const SpeedList& list, std::string_view saved, bool atapi);

}  // namespace ps

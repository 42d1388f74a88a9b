#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cdaccess/disc_table.h"

namespace ps {

class ReadMethod;

// The table of contents as the CDDB numbers see it. Addresses are frames from the first
// addressable audio frame (without the lead-in).
struct CddbDiscLayout {
    static constexpr int kMaxTracks = DiscTable::kMaxTracks;
    int lastTrack = 0;  // N; 0 means no disc
    // Start address by track number 1..N (slot 0 unused).
    std::array<std::int32_t, kMaxTracks + 1> trackStart{};
    // From the start of track 1 to the lead-out.
    std::int32_t discLength = 0;
    // The greatest last frame of any listed track: the frame before the lead-out.
    std::int32_t lastFrame = 0;
};

// A layout from the first and last track numbers, the starts by track number and the
// disc length, with the last frames worked out as the track list does: each track ends
// before the next one starts, the last one at the first track's start plus the length.
// Track numbers beyond 99 are not kept.
CddbDiscLayout makeCddbDiscLayout(int firstTrack, int lastTrack,
                                  const std::array<std::int32_t, DiscTable::kMaxTracks + 1>& starts,
                                  std::int32_t discLength);

// The layout of the disc the read method reports: GetLowest, GetHighest, GetTrackInfo of
// tracks 1..N and GetTotalTime, from which the helper method's lead-out address has the
// start of track 1 subtracted.
CddbDiscLayout cddbDiscLayout(ReadMethod& readMethod);

// The classic 32-bit CDDB disc id: digit sums of the track starts in seconds (with the
// lead-in) modulo 255 in the top byte, the playing time in seconds in the middle, N below.
std::uint32_t cddbDiscId(const CddbDiscLayout& layout);
// floor((lastFrame + 1) / 75) + 2: the seconds up to the lead-out, lead-in included.
std::int32_t discLengthSeconds(const CddbDiscLayout& layout);
// start(i) + 150 for i = 1..N.
std::vector<std::int32_t> trackFrameOffsets(const CddbDiscLayout& layout);

// The numbers CDDB keeps beside the disc, program-wide.
struct CddbDiscNumbers {
    // The id the CDDB dialog works with, set when a query or a submission starts.
    std::uint32_t currentDiscId = 0;
    // By-product of every id computation.
    std::int32_t discLengthSeconds = 0;
};

// The id, storing the disc length in seconds in `numbers` on the way.
std::uint32_t computeCddbDiscId(const CddbDiscLayout& layout, CddbDiscNumbers& numbers);

// "%08x": the CDDB protocol and submissions.
std::string cddbDiscIdProtocolText(std::uint32_t id);
// "%08X": on screen and in file names.
std::string cddbDiscIdDisplayText(std::uint32_t id);
// "%lX": the CD player disc number as a section name and on screen.
std::string cdPlayerDiscNumberText(std::uint32_t number);

}  // namespace ps

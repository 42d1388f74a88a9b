#pragma once

namespace ps {

// A user-visible text of the checksum and compare tools: its key in the text table and
// its English default, until the windows take the texts from the table.
struct AudioText {
    const char* key;
    const char* text;
};

namespace audio_text {
inline constexpr AudioText NFoundCheck{"NFoundCheck", "File not found"};
inline constexpr AudioText ToShortCheck{"ToShortCheck", "File too short"};
inline constexpr AudioText SeekErrCheck{"SeekErrCheck", "File seek error"};
inline constexpr AudioText UnknownCheck{"UnknownCheck", "UNKNOWN"};
inline constexpr AudioText FSizeComp{"FSizeComp", "File size: %d / %d bytes"};
inline constexpr AudioText FSize2Comp{"FSize2Comp", "File size:"};
inline constexpr AudioText CompComp{"CompComp", "  Comparing..."};
inline constexpr AudioText OffsetComp{"OffsetComp", "Offset: %d    bytes"};
inline constexpr AudioText NoDiffComp{"NoDiffComp", "  No differences found."};
inline constexpr AudioText CompAbortComp{"CompAbortComp", "  Comparing aborted!"};
}  // namespace audio_text

}  // namespace ps

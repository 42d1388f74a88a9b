#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "audio/track_tag.h"

namespace ps {

struct Settings;

inline constexpr std::size_t kId3TagSize = 128;
inline constexpr int kGenreCount = 149;  // numbers 0 to 148; 148 is the empty name
inline constexpr std::uint8_t kNoGenre = 255;
inline constexpr std::uint8_t kDefaultGenre = 13;  // "Pop"

// The genre names in number order.
const std::array<std::string_view, kGenreCount>& GenreTable();
// The name of a genre number; empty for 148, 255 and the numbers without a name.
std::string_view GenreName(int number);
// The number whose name equals `name` exactly; -1 when there is none. The empty name
// gives 148.
int GenreNumber(std::string_view name);

// The tag fields of the running program: what the next tag is built from. The editor
// keeps a title of its own, used for a single file encoded on request.
struct TagFields {
    TrackTagFields track;
    std::string editorTitle;
};

// Loads year, comment and genre from the settings ("%.04s", "%.30s", `ID3Genre`).
void LoadTagFieldsFromSettings(TagFields& fields, const Settings& settings);

// What decides the content of one tag.
struct Id3TagSource {
    bool useID3Tag = false;       // UseID3Tag
    bool fromRunningRip = true;   // the file was just ripped or recorded by this run
    bool cdRip = true;            // false in line-in mode
    bool appendChecksum = false;  // ID3AppendChecksum
    bool noChecksum = false;      // NoChecksum
    std::uint32_t checksum = 0;   // the track's audio checksum
    std::string inputWavePath;    // the wave file that was encoded (for its tag block)
};

// The 128 tag bytes built from the fields. The comment gets ", QX# %08lX" when the
// checksum is wanted, the file was just ripped from CD and the comment leaves room.
std::array<std::uint8_t, kId3TagSize> BuildId3Tag(const TrackTagFields& fields,
                                                  const Id3TagSource& source);

struct Id3WriteResult {
    bool written = false;       // a tag was written (write errors are not looked at)
    bool fromTagBlock = false;  // it came from the wave file's track tag block
    std::string finalName;      // the block's final name; empty without a block
};

// Writes the tag at the current position of `mp3Output` (the callers have it at its
// end). A file that was not just ripped takes its tag from its wave file's track tag
// block when it has one; otherwise the tag is built from the fields. Nothing is written
// with `useID3Tag` off, but the block's final name is still read.
Id3WriteResult WriteId3Tag(std::FILE* mp3Output, const TrackTagFields& fields,
                           const Id3TagSource& source);

}  // namespace ps

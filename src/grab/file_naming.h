#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings.h"

namespace ps {

// The name buffer holds at most this many characters (ISO-8859-1 bytes).
inline constexpr std::size_t kNameBufferLength = 250;
// The longest name one directory entry may have, in bytes of its UTF-8 form.
inline constexpr std::size_t kMaxComponentBytes = 255;

// What a track's names are built from. Texts are in the program's character set,
// ISO-8859-1, as the track list, CDDB and the line-in window hold them.
struct NamingSources {
    std::string artist;        // the disc's (or the line-in window's) artist
    std::string album;         // likewise
    int trackNumber = 0;       // the row's track number, not its list position
    std::string trackName;     // the row's caption
    std::uint32_t cddbId = 0;  // the disc's CDDB identifier
};

// The text with the nine characters that a file name cannot hold (double quote, *, /,
// :, <, >, ?, \ and |) and every control character made "-". Titles are cleaned when
// entered, but CDDB answers and settings files reach the names too.
std::string CleanNamePart(std::string_view text);

// The name buffer of a track: its file name without directory and extension, in the
// simple form (parts in TrackNameOrder, joined by " - ") or, with AdvancedNaming, from
// AdvancedNameString. Never empty, at most kNameBufferLength characters, never holds a
// separator or a control character.
std::string BuildFileName(const Settings& settings, const NamingSources& sources);

// An ISO-8859-1 text as one directory entry of the file system: UTF-8, the nine
// characters and control characters (C0, DEL and C1) made "-", cut to `maxBytes` on a
// character boundary.
std::string FileSystemComponent(std::string_view text, std::size_t maxBytes = kMaxComponentBytes);

// The same for a name that becomes a directory: a name of dots only ("." and "..") has
// each dot made "-", as the final name of a dropped wave file is read.
std::string DirectoryComponent(std::string_view text);

}  // namespace ps

#pragma once

#include <string>
#include <vector>

#include "tags/id3_tag.h"

namespace ps {

struct Settings;

// Field limits of the editor, in characters of the tag's character set.
inline constexpr std::size_t kId3TextLimit = 30;  // title, artist, album, comment
inline constexpr std::size_t kId3YearLimit = 4;
inline constexpr std::size_t kWmaTextLimit = 200;

// The additional texts the WMA writer puts into its attributes.
struct WmaAttributes {
    std::string description;
    std::string copyright;
    std::string coverUrl;
    std::string promotionUrl;
};

// The 149 genre names (148 is the empty one) sorted for the drop-down list: compared
// without regard to ASCII case, equal ones in byte order. The empty entry comes first.
const std::vector<std::string>& SortedGenreNames();

// What the editor's controls hold.
struct Id3EditorValues {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    bool appendChecksum = false;
    std::string genre;  // the selected entry of the genre list; empty: the empty entry
    WmaAttributes wma;
};

// Opens the editor: its controls take the tag fields (the editor's own title), the
// checkbox `ID3AppendChecksum`, and the genre entry whose name is the genre's. A genre
// number without a name (149 to 254) shows "Pop" and becomes 13 in the fields and the
// settings; 255 shows the empty entry.
Id3EditorValues OpenId3Editor(TagFields& fields, Settings& settings, const WmaAttributes& wma);

// The index of a genre text in SortedGenreNames, -1 when it is not there.
int SortedGenreIndex(const std::string& genre);

// Cuts every text to its field's limit (the GUI's edit fields enforce the same limits).
void LimitId3EditorValues(Id3EditorValues& values);

// OK: the values (cut to their limits) go to the tag fields, the editor title, the
// settings (year, comment, genre, checksum option) and the WMA texts. The empty genre
// gives 255; a genre text that is not in the table leaves the genre unchanged. The
// caller then copies the fields' artist and album into the main (or line-in) window.
// Cancel simply discards the values: opening changed nothing but a nameless genre.
void AcceptId3Editor(const Id3EditorValues& values, TagFields& fields, Settings& settings,
                     WmaAttributes& wma);

}  // namespace ps

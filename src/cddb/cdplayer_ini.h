#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "i18n/language_menu.h"

namespace ps {

struct Settings;

inline constexpr std::string_view kCdplayerIniName = "cdplayer.ini";
// The numtracks markers of the automatic CDDB query.
inline constexpr std::string_view kAutoQueryDue = "Query";
inline constexpr std::string_view kAutoQueryDone = "Queried";

// What a store writes for a disc. Names are bytes as the track list holds them
// (ISO-8859-1).
struct CdplayerTrack {
    int track = 0;
    std::string name;
};
struct CdplayerEntry {
    std::string artist;
    std::string album;
    int firstTrack = 0;
    int lastTrack = 0;
    std::vector<CdplayerTrack> rows;  // the track list's rows in list order
};

// One track's title as read, in list order.
struct CdplayerTitle {
    int track = 0;
    // For the track list: the nine characters a file name cannot hold replaced by "-".
    std::string listName;
    // For the submission grid: the title as read (or the default name).
    std::string submissionTitle;
};

struct CdplayerTitles {
    std::vector<CdplayerTitle> tracks;  // in list order
    // nullopt when the key is absent: the main window's field becomes empty, the
    // submission form keeps its text and the ID3 field is emptied.
    std::optional<std::string> artist;
    std::optional<std::string> album;
};

// Everything the track-list refresh takes from the file for a disc.
struct CdplayerRead {
    bool autoQueryDue = false;
    std::vector<int> order;  // track numbers in list order
    CdplayerTitles titles;
};

// The nine characters double quote, *, /, :, <, >, ?, \ and | become "-".
std::string replaceFileNameCharacters(std::string_view text);

// The "order" value for rows in list order: "%d " of each track number minus 1. Only
// whole entries are kept within the 255 characters a value can hold.
std::string playOrderText(const std::vector<int>& listOrder);

// The play order a stored "order" value gives for a disc with tracks first..last: the
// named tracks first, in the order named, then the others in ascending order. Tokens that
// are not the number of a track of the disc, tracks named a second time and tokens beyond
// the disc's track count are passed over, so the result always holds every track of the
// disc exactly once. A value cut at the length limit loses its last, partial token.
std::vector<int> parsePlayOrder(std::string_view order, int firstTrack, int lastTrack);

// Whether the store command is offered: "Use cdplayer.ini" is on and the disc is known.
bool cdplayerStoreEnabled(const Settings& settings, std::uint32_t discNumber);

// The CD player's disc database: one section per CD player disc number ("%lX"). Every
// operation reads the file afresh and every write is saved before it returns, so other
// writers' changes are kept. Disc number 0 has no section: nothing is read or written.
class CdplayerIni {
  public:
    explicit CdplayerIni(std::string path) : path_(std::move(path)) {}
    // The file in the program directory.
    static CdplayerIni inProgramDirectory(const std::string& programDirectory);
    const std::string& path() const { return path_; }

    // Writes artist, title, numtracks, the titles of the tracks of the disc (key track - 1)
    // and order, in one save. False when nothing could be written.
    bool store(std::uint32_t discNumber, const CdplayerEntry& entry) const;

    // The automatic-query marker: when numtracks is absent or "Query", writes "Query" and
    // reads it back. True (a query is due) only when the marker is in the file afterwards.
    bool readAutoQueryMarker(std::uint32_t discNumber) const;
    // Marks that an automatic query found nothing, so the disc is not queried again.
    bool markQueried(std::uint32_t discNumber) const;

    // The play order of the disc's tracks first..last (identity when nothing is stored).
    std::vector<int> readPlayOrder(std::uint32_t discNumber, int firstTrack, int lastTrack) const;

    // The titles of the tracks in `order`, with defaults for those not stored, and the
    // artist and album.
    CdplayerTitles readTitles(std::uint32_t discNumber, const std::vector<int>& order,
                              const std::function<bool(int track)>& isDataTrack,
                              const DefaultTrackNames& defaults) const;

    // The refresh's read: the marker when `autoQuery` is on, then the order and the titles.
    CdplayerRead read(std::uint32_t discNumber, bool autoQuery, int firstTrack, int lastTrack,
                      const std::function<bool(int track)>& isDataTrack,
                      const DefaultTrackNames& defaults) const;

  private:
    std::string path_;
};

}  // namespace ps

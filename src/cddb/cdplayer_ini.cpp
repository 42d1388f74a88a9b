#include "cddb/cdplayer_ini.h"

#include <algorithm>
#include <array>

#include "app/profile_file.h"
#include "app/program_directory.h"
#include "app/settings.h"
#include "cddb/disc_id.h"

namespace ps {

namespace {

constexpr int kHighestTrack = 99;
constexpr std::string_view kArtistKey = "artist";
constexpr std::string_view kTitleKey = "title";
constexpr std::string_view kNumTracksKey = "numtracks";
constexpr std::string_view kOrderKey = "order";

std::string trackKey(int track) {
    return std::to_string(track - 1);
}

std::optional<std::string> readValue(const ProfileFile& file, const std::string& section,
                                     std::string_view key) {
    std::string value = file.readText(section, key, kProfileMissing);
    if (value == kProfileMissing) {
        return std::nullopt;
    }
    return value;
}

// A token of digits only, as a number; nullopt for anything else. Numbers far beyond any
// track number stop counting early so that a long run of digits cannot overflow.
std::optional<int> orderToken(std::string_view token) {
    if (token.empty()) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = std::min(value * 10 + (c - '0'), 10000);
    }
    return value;
}

}  // namespace

std::string replaceFileNameCharacters(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos) {
            c = '-';
        }
    }
    return out;
}

std::string playOrderText(const std::vector<int>& listOrder) {
    std::string text;
    for (const int track : listOrder) {
        const std::string entry = std::to_string(track - 1) + " ";
        if (text.size() + entry.size() > kProfileValueMax) {
            break;
        }
        text += entry;
    }
    return text;
}

std::vector<int> parsePlayOrder(std::string_view order, int firstTrack, int lastTrack) {
    const int first = std::max(firstTrack, 1);
    const int last = std::min(lastTrack, kHighestTrack);
    std::vector<int> result;
    if (last < first) {
        return result;
    }
    const std::size_t count = static_cast<std::size_t>(last - first + 1);
    // A value cut at the length limit may end in part of a number.
    if (order.size() >= kProfileValueMax && order.back() != ' ') {
        const std::size_t lastSpace = order.rfind(' ');
        order =
            lastSpace == std::string_view::npos ? std::string_view() : order.substr(0, lastSpace);
    }
    std::array<bool, kHighestTrack + 1> placed{};
    while (!order.empty() && result.size() < count) {
        const std::size_t space = order.find(' ');
        const std::string_view token = order.substr(0, space);
        order = space == std::string_view::npos ? std::string_view() : order.substr(space + 1);
        const std::optional<int> k = orderToken(token);
        if (!k) {
            continue;
        }
        const int track = *k + 1;
        if (track < first || track > last || placed[track]) {
            continue;
        }
        placed[track] = true;
        result.push_back(track);
    }
    for (int track = first; track <= last; ++track) {
        if (!placed[track]) {
            result.push_back(track);
        }
    }
    return result;
}

bool cdplayerStoreEnabled(const Settings& settings, std::uint32_t discNumber) {
    return settings.StoreInCdplayer_ini && discNumber != 0;
}

CdplayerIni CdplayerIni::inProgramDirectory(const std::string& programDirectory) {
    return CdplayerIni(pathInDirectory(programDirectory, std::string(kCdplayerIniName)));
}

bool CdplayerIni::store(std::uint32_t discNumber, const CdplayerEntry& entry) const {
    if (discNumber == 0) {
        return false;
    }
    const std::string section = cdPlayerDiscNumberText(discNumber);
    ProfileFile file(path_);
    file.writeText(section, kArtistKey, entry.artist);
    file.writeText(section, kTitleKey, entry.album);
    file.writeText(section, kNumTracksKey, std::to_string(entry.lastTrack - entry.firstTrack + 1));
    const int first = std::max(entry.firstTrack, 1);
    const int last = std::min(entry.lastTrack, kHighestTrack);
    std::vector<int> listOrder;
    for (const CdplayerTrack& row : entry.rows) {
        if (row.track >= first && row.track <= last) {
            listOrder.push_back(row.track);
        }
    }
    for (int track = first; track <= last; ++track) {
        const auto row = std::find_if(entry.rows.begin(), entry.rows.end(),
                                      [track](const CdplayerTrack& r) { return r.track == track; });
        if (row != entry.rows.end()) {
            file.writeText(section, trackKey(track), row->name);
        }
    }
    file.writeText(section, kOrderKey, playOrderText(listOrder));
    return file.save();
}

bool CdplayerIni::readAutoQueryMarker(std::uint32_t discNumber) const {
    if (discNumber == 0) {
        return false;
    }
    const std::string section = cdPlayerDiscNumberText(discNumber);
    const std::optional<std::string> marker = readValue(ProfileFile(path_), section, kNumTracksKey);
    if (marker && *marker != kAutoQueryDue) {
        return false;
    }
    ProfileFile::writeThrough(path_, section, kNumTracksKey, kAutoQueryDue);
    // Only what the file holds afterwards counts: a file that cannot be written must not
    // start a query on every refresh.
    const std::optional<std::string> readBack =
        readValue(ProfileFile(path_), section, kNumTracksKey);
    return readBack && *readBack == kAutoQueryDue;
}

bool CdplayerIni::markQueried(std::uint32_t discNumber) const {
    if (discNumber == 0) {
        return false;
    }
    return ProfileFile::writeThrough(path_, cdPlayerDiscNumberText(discNumber), kNumTracksKey,
                                     kAutoQueryDone);
}

std::vector<int> CdplayerIni::readPlayOrder(std::uint32_t discNumber, int firstTrack,
                                            int lastTrack) const {
    std::optional<std::string> order;
    if (discNumber != 0) {
        order = readValue(ProfileFile(path_), cdPlayerDiscNumberText(discNumber), kOrderKey);
    }
    return parsePlayOrder(order.value_or(std::string()), firstTrack, lastTrack);
}

CdplayerTitles CdplayerIni::readTitles(std::uint32_t discNumber, const std::vector<int>& order,
                                       const std::function<bool(int track)>& isDataTrack,
                                       const DefaultTrackNames& defaults) const {
    ProfileFile file;
    if (discNumber != 0) {
        file.load(path_);
    }
    const std::string section = cdPlayerDiscNumberText(discNumber);
    CdplayerTitles titles;
    for (const int track : order) {
        CdplayerTitle title;
        title.track = track;
        const std::optional<std::string> stored = track >= 1 && track <= kHighestTrack
                                                      ? readValue(file, section, trackKey(track))
                                                      : std::nullopt;
        title.submissionTitle =
            stored ? *stored : defaultTrackName(defaults, track, isDataTrack && isDataTrack(track));
        title.listName = replaceFileNameCharacters(title.submissionTitle);
        titles.tracks.push_back(std::move(title));
    }
    titles.artist = readValue(file, section, kArtistKey);
    titles.album = readValue(file, section, kTitleKey);
    return titles;
}

CdplayerRead CdplayerIni::read(std::uint32_t discNumber, bool autoQuery, int firstTrack,
                               int lastTrack, const std::function<bool(int track)>& isDataTrack,
                               const DefaultTrackNames& defaults) const {
    CdplayerRead result;
    if (autoQuery) {
        result.autoQueryDue = readAutoQueryMarker(discNumber);
    }
    result.order = readPlayOrder(discNumber, firstTrack, lastTrack);
    result.titles = readTitles(discNumber, result.order, isDataTrack, defaults);
    return result;
}

}  // namespace ps

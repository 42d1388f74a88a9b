#include "tags/id3_editor.h"

#include <algorithm>

#include "app/settings.h"

namespace ps {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool CaseInsensitiveLess(const std::string& a, const std::string& b) {
    const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return LowerAscii(x) == LowerAscii(y);
    });
    if (mismatch.first == a.end() || mismatch.second == b.end()) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    }
    const auto x = static_cast<unsigned char>(LowerAscii(*mismatch.first));
    const auto y = static_cast<unsigned char>(LowerAscii(*mismatch.second));
    return x < y;
}

std::string Cut(const std::string& text, std::size_t limit) {
    return text.substr(0, std::min(text.size(), limit));
}

}  // namespace

const std::vector<std::string>& SortedGenreNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list(GenreTable().begin(), GenreTable().end());
        std::stable_sort(list.begin(), list.end(), CaseInsensitiveLess);
        return list;
    }();
    return names;
}

int SortedGenreIndex(const std::string& genre) {
    const auto& names = SortedGenreNames();
    const auto found = std::find(names.begin(), names.end(), genre);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

Id3EditorValues OpenId3Editor(TagFields& fields, Settings& settings, const WmaAttributes& wma) {
    const int genre = fields.track.genre;
    if (genre >= kGenreCount && genre != kNoGenre) {
        fields.track.genre = kDefaultGenre;
        settings.ID3Genre = kDefaultGenre;
    }
    Id3EditorValues values;
    values.title = fields.editorTitle;
    values.artist = fields.track.artist;
    values.album = fields.track.album;
    values.year = fields.track.year;
    values.comment = fields.track.comment;
    values.appendChecksum = settings.ID3AppendChecksum;
    values.genre = std::string(GenreName(fields.track.genre));
    values.wma = wma;
    LimitId3EditorValues(values);
    return values;
}

void LimitId3EditorValues(Id3EditorValues& values) {
    values.title = Cut(values.title, kId3TextLimit);
    values.artist = Cut(values.artist, kId3TextLimit);
    values.album = Cut(values.album, kId3TextLimit);
    values.comment = Cut(values.comment, kId3TextLimit);
    values.year = Cut(values.year, kId3YearLimit);
    values.wma.description = Cut(values.wma.description, kWmaTextLimit);
    values.wma.copyright = Cut(values.wma.copyright, kWmaTextLimit);
    values.wma.coverUrl = Cut(values.wma.coverUrl, kWmaTextLimit);
    values.wma.promotionUrl = Cut(values.wma.promotionUrl, kWmaTextLimit);
}

void AcceptId3Editor(const Id3EditorValues& entered, TagFields& fields, Settings& settings,
                     WmaAttributes& wma) {
    Id3EditorValues values = entered;
    LimitId3EditorValues(values);
    fields.editorTitle = values.title;
    fields.track.artist = values.artist;
    fields.track.album = values.album;
    fields.track.year = values.year;
    fields.track.comment = values.comment;
    settings.ID3Year = values.year;
    settings.ID3Comment = values.comment;
    settings.ID3AppendChecksum = values.appendChecksum;
    if (values.genre.empty()) {
        fields.track.genre = kNoGenre;
    } else if (const int number = GenreNumber(values.genre); number >= 0) {
        fields.track.genre = static_cast<std::uint8_t>(number);
    }
    settings.ID3Genre = fields.track.genre;
    wma = values.wma;
}

}  // namespace ps

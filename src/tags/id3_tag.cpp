#include "tags/id3_tag.h"

#include <algorithm>
#include <cstring>

#include "app/settings.h"
#include "audio/wave_file.h"

namespace ps {

namespace {

constexpr std::array<std::string_view, kGenreCount> kGenres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "Alternative Rock", "Bass", "Soul",
    "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream",
    "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle",
    "Native US", "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi",
    "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival",
    "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A Cappella",
    "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie",
    "BritPop",
    // The published list's nine-letter name for this punk subgenre is a slur; this one
    // keeps its length and meaning.
    "Afro-Punk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal", "Black Metal",
    "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa", "Thrash Metal",
    "Anime", "JPop", "Synthpop", ""};

// Copies the text's first `width` bytes into a zeroed field.
void PutField(std::array<std::uint8_t, kId3TagSize>& tag, std::size_t at, const std::string& text,
              std::size_t width) {
    std::memcpy(tag.data() + at, text.data(), std::min(text.size(), width));
}

}  // namespace

const std::array<std::string_view, kGenreCount>& GenreTable() {
    return kGenres;
}

std::string_view GenreName(int number) {
    if (number < 0 || number >= kGenreCount) {
        return {};
    }
    return kGenres[static_cast<std::size_t>(number)];
}

int GenreNumber(std::string_view name) {
    const auto found = std::find(kGenres.begin(), kGenres.end(), name);
    return found == kGenres.end() ? -1 : static_cast<int>(found - kGenres.begin());
}

void LoadTagFieldsFromSettings(TagFields& fields, const Settings& settings) {
    fields.track.year = settings.ID3Year.substr(0, 4);
    fields.track.comment = settings.ID3Comment.substr(0, 30);
    fields.track.genre = static_cast<std::uint8_t>(settings.ID3Genre & 0xFF);
}

std::array<std::uint8_t, kId3TagSize> BuildId3Tag(const TrackTagFields& fields,
                                                  const Id3TagSource& source) {
    std::array<std::uint8_t, kId3TagSize> tag{};
    std::memcpy(tag.data(), "TAG", 3);
    PutField(tag, 3, fields.title, 30);
    PutField(tag, 33, fields.artist, 30);
    PutField(tag, 63, fields.album, 30);
    PutField(tag, 93, fields.year, 4);
    std::string comment = fields.comment;
    if (source.appendChecksum && source.fromRunningRip && source.cdRip && comment.size() <= 16 &&
        !source.noChecksum) {
        char text[16];
        std::snprintf(text, sizeof text, ", QX# %08lX",
                      static_cast<unsigned long>(source.checksum));
        comment += text;
    }
    PutField(tag, 97, comment, 30);
    tag[127] = fields.genre;
    return tag;
}

Id3WriteResult WriteId3Tag(std::FILE* mp3Output, const TrackTagFields& fields,
                           const Id3TagSource& source) {
    Id3WriteResult result;
    if (!source.fromRunningRip && !source.inputWavePath.empty()) {
        WaveFormatInfo info;
        bool formatRead = false;
        if (std::FILE* wave = std::fopen(source.inputWavePath.c_str(), "rb")) {
            formatRead = ReadWaveFormat(wave, info);
            std::fclose(wave);
        }
        if (formatRead && ReadTrackTag(source.inputWavePath, info, source.cdRip, source.useID3Tag,
                                       mp3Output, result.finalName)) {
            result.fromTagBlock = true;
            result.written = source.useID3Tag && mp3Output != nullptr;
            return result;
        }
    }
    if (source.useID3Tag && mp3Output != nullptr) {
        const auto tag = BuildId3Tag(fields, source);
        std::fwrite(tag.data(), 1, tag.size(), mp3Output);
        std::fflush(mp3Output);
        result.written = true;
    }
    return result;
}

}  // namespace ps

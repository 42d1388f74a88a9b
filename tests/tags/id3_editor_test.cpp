#include "tags/id3_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "app/settings.h"

namespace ps {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(Id3Editor, GenreListIsSortedWithoutRegardToCase) {
    const auto& names = SortedGenreNames();
    ASSERT_EQ(names.size(), 149u);
    EXPECT_EQ(names.front(), "");
    EXPECT_EQ(names[1], "A Cappella");
    EXPECT_EQ(names.back(), "Vocal");
    for (std::size_t i = 1; i < names.size(); ++i) {
        EXPECT_LE(Lower(names[i - 1]), Lower(names[i])) << names[i - 1] << " / " << names[i];
    }
    // "JPop" between "Jazz+Funk" and "Jungle", not among the capitals first.
    const auto at = [&](const char* name) { return SortedGenreIndex(name); };
    EXPECT_LT(at("Jazz+Funk"), at("JPop"));
    EXPECT_LT(at("JPop"), at("Jungle"));
}

struct OpeningCase {
    int genre;
    std::string shown;
    int genreAfter;
};

class Id3EditorOpening : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(Id3EditorOpening, SelectsTheGenresName) {
    const auto& c = GetParam();
    Settings settings;
    settings.ID3Genre = c.genre;
    TagFields fields;
    LoadTagFieldsFromSettings(fields, settings);
    const Id3EditorValues values = OpenId3Editor(fields, settings, {});
    EXPECT_EQ(values.genre, c.shown);
    EXPECT_GE(SortedGenreIndex(values.genre), 0);
    EXPECT_EQ(fields.track.genre, c.genreAfter);
    EXPECT_EQ(settings.ID3Genre, c.genreAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, Id3EditorOpening,
                         ::testing::Values(OpeningCase{140, "Contemporary Christian", 140},
                                           OpeningCase{200, "Pop", 13}, OpeningCase{149, "Pop", 13},
                                           OpeningCase{255, "", 255}, OpeningCase{0, "Blues", 0}));

TEST(Id3Editor, OpeningLoadsTheFields) {
    Settings settings;
    settings.ID3AppendChecksum = true;
    TagFields fields;
    fields.editorTitle = "Editor Title";
    fields.track.title = "Track Title";
    fields.track.artist = "Artist";
    fields.track.album = "Album";
    fields.track.year = "2001";
    fields.track.comment = "Comment";
    WmaAttributes wma;
    wma.description = "About it";
    const Id3EditorValues values = OpenId3Editor(fields, settings, wma);
    EXPECT_EQ(values.title, "Editor Title");
    EXPECT_EQ(values.artist, "Artist");
    EXPECT_EQ(values.album, "Album");
    EXPECT_EQ(values.year, "2001");
    EXPECT_EQ(values.comment, "Comment");
    EXPECT_TRUE(values.appendChecksum);
    EXPECT_EQ(values.wma.description, "About it");
}

TEST(Id3Editor, OkStoresTheCutValues) {
    Settings settings;
    TagFields fields;
    fields.track.title = "Track Title";
    fields.track.genre = 17;
    WmaAttributes wma;
    Id3EditorValues values;
    values.title = std::string(35, 't');
    values.artist = std::string(31, 'a');
    values.album = "Album";
    values.year = "19999";
    values.comment = "Comment";
    values.appendChecksum = true;
    values.genre = "Contemporary Christian";
    values.wma.copyright = std::string(250, 'c');
    AcceptId3Editor(values, fields, settings, wma);
    EXPECT_EQ(fields.editorTitle, std::string(30, 't'));
    EXPECT_EQ(fields.track.title, "Track Title");  // the grab job's title is not the editor's
    EXPECT_EQ(fields.track.artist, std::string(30, 'a'));
    EXPECT_EQ(fields.track.album, "Album");
    EXPECT_EQ(fields.track.year, "1999");
    EXPECT_EQ(settings.ID3Year, "1999");
    EXPECT_EQ(settings.ID3Comment, "Comment");
    EXPECT_TRUE(settings.ID3AppendChecksum);
    EXPECT_EQ(fields.track.genre, 140);
    EXPECT_EQ(settings.ID3Genre, 140);
    EXPECT_EQ(wma.copyright, std::string(200, 'c'));
}

TEST(Id3Editor, OkWithTheEmptyGenreStoresNoGenre) {
    Settings settings;
    TagFields fields;
    fields.track.genre = 17;
    WmaAttributes wma;
    Id3EditorValues values;
    AcceptId3Editor(values, fields, settings, wma);
    EXPECT_EQ(fields.track.genre, kNoGenre);
    EXPECT_EQ(settings.ID3Genre, 255);
    EXPECT_EQ(BuildId3Tag(fields.track, {})[127], 0xFF);
}

TEST(Id3Editor, OkWithAnUnknownGenreTextKeepsTheGenre) {
    Settings settings;
    settings.ID3Genre = 17;
    TagFields fields;
    fields.track.genre = 17;
    WmaAttributes wma;
    Id3EditorValues values;
    values.genre = "pop";  // exact comparison: not "Pop"
    AcceptId3Editor(values, fields, settings, wma);
    EXPECT_EQ(fields.track.genre, 17);
    EXPECT_EQ(settings.ID3Genre, 17);
}

}  // namespace
}  // namespace ps

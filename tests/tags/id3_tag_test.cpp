#include "tags/id3_tag.h"

#include <gtest/gtest.h>

#include <set>

#include "app/settings.h"
#include "audio/audio_fixtures.h"

namespace ps {
namespace {

using test::Bytes;

std::string Zeros(std::size_t count) {
    return std::string(count, '\0');
}

std::string TagText(const std::array<std::uint8_t, kId3TagSize>& tag) {
    return std::string(tag.begin(), tag.end());
}

TrackTagFields Fields() {
    TrackTagFields f;
    f.title = "Song";
    f.artist = "An Artist Whose Name Is 31 Long";  // 31 characters
    f.album = "Album";
    f.year = "1999";
    f.comment = "Great song";
    f.genre = 17;
    return f;
}

TEST(Id3Tag, TheHundredAndTwentyEightBytes) {
    Id3TagSource source;
    const std::string tag = TagText(BuildId3Tag(Fields(), source));
    const std::string expected = std::string("TAG") + "Song" + Zeros(26) +
                                 "An Artist Whose Name Is 31 Lon" +  // cut, no terminator
                                 "Album" + Zeros(25) + "1999" + "Great song" + Zeros(20) +
                                 std::string(1, '\x11');
    EXPECT_EQ(tag, expected);
}

TEST(Id3Tag, NoGenreIsTheByteFF) {
    TrackTagFields fields;
    fields.genre = kNoGenre;
    EXPECT_EQ(BuildId3Tag(fields, Id3TagSource{})[127], 0xFF);
}

struct ChecksumCase {
    const char* name;
    std::string comment;
    bool appendChecksum, fromRunningRip, cdRip, noChecksum;
    std::string expected;  // the 30-byte comment field
};

class Id3Comment : public ::testing::TestWithParam<ChecksumCase> {};

TEST_P(Id3Comment, ChecksumTextOnlyForAFreshCdRipWithRoom) {
    const auto& c = GetParam();
    TrackTagFields fields;
    fields.comment = c.comment;
    Id3TagSource source;
    source.appendChecksum = c.appendChecksum;
    source.fromRunningRip = c.fromRunningRip;
    source.cdRip = c.cdRip;
    source.noChecksum = c.noChecksum;
    source.checksum = 0x0012ABCD;
    EXPECT_EQ(TagText(BuildId3Tag(fields, source)).substr(97, 30), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Id3Comment,
    ::testing::Values(
        ChecksumCase{"Appended", "Great song", true, true, true, false,
                     "Great song, QX# 0012ABCD" + Zeros(6)},
        ChecksumCase{"SixteenFillsTheField", "0123456789abcdef", true, true, true, false,
                     "0123456789abcdef, QX# 0012ABCD"},
        ChecksumCase{"SeventeenIsTooLong", "0123456789abcdefg", true, true, true, false,
                     "0123456789abcdefg" + Zeros(13)},
        ChecksumCase{"OptionOff", "Great song", false, true, true, false, "Great song" + Zeros(20)},
        ChecksumCase{"DroppedFile", "Great song", true, false, true, false,
                     "Great song" + Zeros(20)},
        ChecksumCase{"LineIn", "Great song", true, true, false, false, "Great song" + Zeros(20)},
        ChecksumCase{"NoChecksum", "Great song", true, true, true, true, "Great song" + Zeros(20)}),
    [](const auto& info) { return info.param.name; });

TEST(GenreTable, NamesAndNumbers) {
    const auto& table = GenreTable();
    ASSERT_EQ(table.size(), 149u);
    EXPECT_EQ(GenreName(0), "Blues");
    EXPECT_EQ(GenreName(13), "Pop");
    EXPECT_EQ(GenreName(79), "Hard Rock");
    EXPECT_EQ(GenreName(80), "Folk");
    EXPECT_EQ(GenreName(133), "Afro-Punk");
    EXPECT_EQ(GenreName(140), "Contemporary Christian");
    EXPECT_EQ(GenreName(147), "Synthpop");
    EXPECT_EQ(GenreName(148), "");
    EXPECT_EQ(GenreName(200), "");
    EXPECT_EQ(GenreName(255), "");
    std::set<std::string_view> distinct(table.begin(), table.end());
    EXPECT_EQ(distinct.size(), table.size());
    for (int i = 0; i < kGenreCount; ++i) {
        EXPECT_LE(table[static_cast<std::size_t>(i)].size(), 22u);
        EXPECT_EQ(GenreNumber(table[static_cast<std::size_t>(i)]), i);
    }
    EXPECT_EQ(GenreNumber("pop"), -1);  // exact comparison
}

TEST(Id3Tag, FieldsFromTheSettings) {
    Settings settings;
    settings.ID3Year = "19995";
    settings.ID3Comment = std::string(40, 'c');
    settings.ID3Genre = 140;
    TagFields fields;
    LoadTagFieldsFromSettings(fields, settings);
    EXPECT_EQ(fields.track.year, "1999");
    EXPECT_EQ(fields.track.comment, std::string(30, 'c'));
    EXPECT_EQ(fields.track.genre, 140);
}

// A wave file as the grab job leaves it, with or without its track tag block.
class WriteId3TagTest : public ::testing::Test {
  protected:
    std::string WaveWithBlock(bool withBlock) {
        const std::string path = dir_.file("track.wav");
        Bytes bytes = test::WaveBytes(test::Music(2));
        if (withBlock) {
            TrackTagFields blockFields;
            blockFields.title = "Block Title";
            blockFields.artist = "Block Artist";
            blockFields.genre = 8;
            const std::string block =
                BuildTrackTag(blockFields, 0, "Block Artist - Block Title", {});
            blockBody_ = block.substr(16, 125);
            bytes.insert(bytes.end(), block.begin(), block.end());
        }
        test::WriteAll(path, bytes);
        return path;
    }

    Bytes Write(const Id3TagSource& source, Id3WriteResult& result) {
        const std::string mp3 = dir_.file("out.mp3");
        test::WriteAll(mp3, Bytes{'M', 'P', '3'});
        std::FILE* file = std::fopen(mp3.c_str(), "ab");
        result = WriteId3Tag(file, Fields(), source);
        std::fclose(file);
        const Bytes all = test::ReadAll(mp3);
        return Bytes(all.begin() + 3, all.end());  // what was appended
    }

    test::TempDir dir_;
    std::string blockBody_;
};

TEST_F(WriteId3TagTest, DroppedWaveTakesTheBlockWhateverTheFields) {
    Id3TagSource source;
    source.useID3Tag = true;
    source.fromRunningRip = false;
    source.inputWavePath = WaveWithBlock(true);
    Id3WriteResult result;
    const Bytes appended = Write(source, result);
    EXPECT_EQ(std::string(appended.begin(), appended.end()), "TAG" + blockBody_);
    EXPECT_TRUE(result.fromTagBlock);
    EXPECT_EQ(result.finalName, "Block Artist - Block Title");
}

TEST_F(WriteId3TagTest, WithoutABlockTheFieldsAreUsed) {
    Id3TagSource source;
    source.useID3Tag = true;
    source.fromRunningRip = false;
    source.inputWavePath = WaveWithBlock(false);
    Id3WriteResult result;
    const Bytes appended = Write(source, result);
    EXPECT_EQ(std::string(appended.begin(), appended.end()),
              TagText(BuildId3Tag(Fields(), source)));
    EXPECT_FALSE(result.fromTagBlock);
}

TEST_F(WriteId3TagTest, AJustRippedFileIgnoresItsBlock) {
    Id3TagSource source;
    source.useID3Tag = true;
    source.fromRunningRip = true;
    source.inputWavePath = WaveWithBlock(true);
    Id3WriteResult result;
    const Bytes appended = Write(source, result);
    EXPECT_EQ(std::string(appended.begin(), appended.end()),
              TagText(BuildId3Tag(Fields(), source)));
    EXPECT_TRUE(result.finalName.empty());
}

TEST_F(WriteId3TagTest, TagsOffAppendsNothingButStillFindsTheFinalName) {
    Id3TagSource source;
    source.useID3Tag = false;
    source.fromRunningRip = false;
    source.inputWavePath = WaveWithBlock(true);
    Id3WriteResult result;
    EXPECT_TRUE(Write(source, result).empty());
    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.finalName, "Block Artist - Block Title");
}

}  // namespace
}  // namespace ps

#include "audio/track_tag.h"

#include <gtest/gtest.h>

#include <cstring>

#include "audio_fixtures.h"
#include "platform/linux/file_system_linux.h"

namespace ps {
namespace {

using test::Bytes;

TrackTagFields Fields() {
    TrackTagFields f;
    f.title = "A Title That Is Longer Than Thirty Characters";
    f.artist = "Artist";
    f.album = "Album";
    f.year = "19991";
    f.comment = "";
    f.genre = 17;
    return f;
}

TEST(TrackTag, LayoutOfTheBlock) {
    TrackTagOptions options;
    const std::string block = BuildTrackTag(Fields(), 0, "07 Song", options);
    ASSERT_EQ(block.size(), 152u + 7 + 1);
    EXPECT_EQ(block.substr(0, 16), std::string("PlatterscoopTAG\0", 16));
    EXPECT_EQ(block.substr(16, 30), "A Title That Is Longer Than Th");  // no terminator
    EXPECT_EQ(block.substr(46, 30), std::string("Artist") + std::string(24, '\0'));
    EXPECT_EQ(block.substr(106, 4), "1999");
    EXPECT_EQ(block[140], 17);
    EXPECT_EQ(block.substr(141, 11), "FinalName: ");
    EXPECT_EQ(block.substr(152), std::string("07 Song\0", 8));
}

struct CommentCase {
    const char* name;
    std::string comment;
    bool appendChecksum, cdRip, noChecksum;
    std::string expected;  // the 30-byte field
};

class TrackTagComment : public ::testing::TestWithParam<CommentCase> {};

TEST_P(TrackTagComment, ChecksumTextOnlyWhereItFits) {
    const auto& c = GetParam();
    TrackTagFields fields = Fields();
    fields.comment = c.comment;
    TrackTagOptions options;
    options.appendChecksum = c.appendChecksum;
    options.cdRip = c.cdRip;
    options.noChecksum = c.noChecksum;
    const std::string block = BuildTrackTag(fields, 0x00C0FFEE, "x", options);
    EXPECT_EQ(block.substr(110, 30), c.expected);
}

std::string Padded(const std::string& text) {
    return text + std::string(30 - text.size(), '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Comments, TrackTagComment,
    ::testing::Values(CommentCase{"SixteenFillsTheField", "0123456789abcdef", true, true, false,
                                  "0123456789abcdef, QX# 00C0FFEE"},
                      CommentCase{"SeventeenGetsNone", "0123456789abcdefg", true, true, false,
                                  Padded("0123456789abcdefg")},
                      CommentCase{"Empty", "", true, true, false, Padded(", QX# 00C0FFEE")},
                      CommentCase{"SwitchedOff", "c", false, true, false, Padded("c")},
                      CommentCase{"LineIn", "c", true, false, false, Padded("c")},
                      CommentCase{"NoChecksum", "c", true, true, true, Padded("c")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrackTag, DirectoriesInTheFinalName) {
    TrackTagOptions options;
    options.artistAsDirectory = true;
    options.albumAsDirectory = true;
    TrackTagFields fields = Fields();
    fields.artist = "AC/DC";
    EXPECT_EQ(BuildTrackTag(fields, 0, "07 Song", options).substr(152),
              std::string("AC-DC\\Album\\07 Song\0", 20));
    fields.artist.clear();
    EXPECT_EQ(BuildTrackTag(fields, 0, "07 Song", options).substr(152),
              std::string("Album\\07 Song\0", 14));
}

class TrackTagFile : public ::testing::Test {
  protected:
    void SetUp() override {
        wave = dir.file("temp.wav");
        test::WriteAll(wave, test::WaveBytes(test::Music(2)));
    }
    WaveFormatInfo Format() {
        std::FILE* file = std::fopen(wave.c_str(), "rb");
        WaveFormatInfo info;
        EXPECT_TRUE(ReadWaveFormat(file, info));
        std::fclose(file);
        return info;
    }
    test::TempDir dir;
    std::string wave;
};

TEST_F(TrackTagFile, AppendedBlockIsReadBackWithItsId3Bytes) {
    TrackTagOptions options;
    options.artistAsDirectory = true;
    ASSERT_TRUE(AppendTrackTag(wave, Fields(), 0, "07 Song", options));
    const std::string mp3 = dir.file("out.mp3");
    std::FILE* out = std::fopen(mp3.c_str(), "wb");
    std::string finalName;
    EXPECT_TRUE(ReadTrackTag(wave, Format(), true, true, out, finalName));
    std::fclose(out);
    EXPECT_EQ(finalName, "Artist\\07 Song");
    const Bytes id3 = test::ReadAll(mp3);
    const std::string block = BuildTrackTag(Fields(), 0, "07 Song", options);
    ASSERT_EQ(id3.size(), 128u);
    EXPECT_EQ(std::string(id3.begin(), id3.end()), "TAG" + block.substr(16, 125));
}

TEST_F(TrackTagFile, NoBlockOrNotACdRip) {
    std::string finalName = "stale";
    EXPECT_FALSE(ReadTrackTag(wave, Format(), true, false, nullptr, finalName));
    EXPECT_EQ(finalName, "");
    ASSERT_TRUE(AppendTrackTag(wave, Fields(), 0, "x", {}));
    EXPECT_FALSE(ReadTrackTag(wave, Format(), false, false, nullptr, finalName));
    TrackTagOptions direct;
    direct.directEncoding = true;
    const auto size = std::filesystem::file_size(wave);
    EXPECT_FALSE(AppendTrackTag(wave, Fields(), 0, "x", direct));
    EXPECT_EQ(std::filesystem::file_size(wave), size);
}

TEST_F(TrackTagFile, FinalNameMarkerBeyond400BytesIsNotFound) {
    Bytes file = test::ReadAll(wave);
    Bytes block(600, 'x');
    std::memcpy(block.data(), "PlatterscoopTAG", 16);
    std::memcpy(block.data() + 401, "FinalName: far away", 20);
    file.insert(file.end(), block.begin(), block.end());
    test::WriteAll(wave, file);
    std::string finalName;
    EXPECT_TRUE(ReadTrackTag(wave, Format(), true, false, nullptr, finalName));
    EXPECT_EQ(finalName, "");
}

TEST_F(TrackTagFile, ShortTailIsNoBlock) {
    Bytes file = test::ReadAll(wave);
    file.insert(file.end(), {'P', 'l', 'a', 't', 't', 'e', 'r'});
    test::WriteAll(wave, file);
    std::string finalName;
    EXPECT_FALSE(ReadTrackTag(wave, Format(), true, false, nullptr, finalName));
}

class MoveToFinalNameTest : public ::testing::Test {
  protected:
    std::string Encoded(const std::string& content) {
        const std::string path = dir.file("temp.mp3");
        std::ofstream(path) << content;
        return path;
    }
    static std::string Content(const std::filesystem::path& path) {
        const Bytes b = test::ReadAll(path.string());
        return std::string(b.begin(), b.end());
    }
    test::TempDir dir;
    LinuxFileSystem fileSystem;
    FinalNameOptions options{dir.path().string(), "", false, false, ""};
};

TEST_F(MoveToFinalNameTest, CreatesTheDirectoriesThenNumbersTakenNames) {
    ASSERT_TRUE(MoveToFinalName(fileSystem, OutputKind::Mp3, Encoded("one"),
                                "Artist\\Album\\07 Song", options));
    const auto target = dir.path() / "Artist" / "Album" / "07 Song.mp3";
    EXPECT_EQ(Content(target), "one");
    ASSERT_TRUE(MoveToFinalName(fileSystem, OutputKind::Mp3, Encoded("two"),
                                "Artist\\Album\\07 Song", options));
    EXPECT_EQ(Content(target), "one");
    EXPECT_EQ(Content(dir.path() / "Artist" / "Album" / "07 Song-1.mp3"), "two");
    EXPECT_FALSE(std::filesystem::exists(dir.file("temp.mp3")));
}

TEST_F(MoveToFinalNameTest, AllNamesTakenLeavesTheFileWhereItIs) {
    std::ofstream(dir.file("Song.wav")) << "taken";
    for (int i = 1; i <= 99; ++i) {
        std::ofstream(dir.file("Song-" + std::to_string(i) + ".wav")) << "taken";
    }
    const std::string encoded = Encoded("mine");
    EXPECT_FALSE(MoveToFinalName(fileSystem, OutputKind::Wave, encoded, "Song", options));
    EXPECT_EQ(Content(encoded), "mine");
    EXPECT_EQ(Content(dir.file("Song.wav")), "taken");
}

TEST_F(MoveToFinalNameTest, NameFromAFileStaysInsideTheDestination) {
    ASSERT_TRUE(
        MoveToFinalName(fileSystem, OutputKind::Wma, Encoded("x"), "..\\..\\a/b\x01", options));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "--" / "--" / "a-b-.wma"));
    EXPECT_FALSE(MoveToFinalName(fileSystem, OutputKind::Mp3, Encoded("x"), "", options));
}

TEST(FinalExtension, ByOutputKindAndCodec) {
    FinalNameOptions options;
    EXPECT_EQ(FinalExtension(OutputKind::Mp3, options), "mp3");
    EXPECT_EQ(FinalExtension(OutputKind::Wma, options), "wma");
    EXPECT_EQ(FinalExtension(OutputKind::Wave, options), "wav");
    options.useOwnExtension = true;
    options.ownExtension = "ogg";
    EXPECT_EQ(FinalExtension(OutputKind::Mp3, options), "ogg");
    options.internalCodec = true;
    EXPECT_EQ(FinalExtension(OutputKind::Mp3, options), "mp3");
    options.internalCodecName = "QDesign Music Codec";
    EXPECT_EQ(FinalExtension(OutputKind::Mp3, options), "mp2");
}

TEST(LinuxFileSystem, MoveNeverReplaces) {
    test::TempDir dir;
    LinuxFileSystem fs;
    std::ofstream(dir.file("a")) << "a";
    std::ofstream(dir.file("b")) << "b";
    EXPECT_EQ(fs.moveWithoutReplace(dir.file("a"), dir.file("b")), MoveResult::TargetExists);
    EXPECT_TRUE(std::filesystem::exists(dir.file("a")));
    EXPECT_EQ(fs.moveWithoutReplace(dir.file("a"), dir.file("c")), MoveResult::Moved);
    EXPECT_EQ(fs.moveWithoutReplace(dir.file("a"), dir.file("d")), MoveResult::Failed);
    EXPECT_TRUE(fs.ensureDirectory(dir.file("sub")));
    EXPECT_TRUE(fs.ensureDirectory(dir.file("sub")));
    EXPECT_FALSE(fs.ensureDirectory(dir.file("b")));
}

}  // namespace
}  // namespace ps

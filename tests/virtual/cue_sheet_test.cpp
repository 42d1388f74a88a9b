#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/fake_clock.h"
#include "virtual/disc_image.h"
#include "virtual/scsi_helpers.h"
#include "virtual/virtual_pass_through.h"

namespace ps {
namespace {

namespace fs = std::filesystem;

// A folder with BIN files whose every sector is stamped with its file and sector number.
class CueSheetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("ps_cue_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    void bin(const std::string& name, int sectors, std::uint8_t tag) {
        std::ofstream out(dir / name, std::ios::binary);
        std::vector<std::uint8_t> s(kImageSectorBytes);
        for (int i = 0; i < sectors; ++i) {
            std::fill(s.begin(), s.end(), static_cast<std::uint8_t>(i & 0xFF));
            s[0] = tag;
            s[1] = static_cast<std::uint8_t>(i >> 8);
            s[2] = static_cast<std::uint8_t>(i);
            out.write(reinterpret_cast<const char*>(s.data()), kImageSectorBytes);
        }
    }
    std::shared_ptr<DiscImage> parse(const std::string& text) {
        error.clear();
        return parseCueSheet(text, dir.string(), error);
    }
    static std::array<std::uint8_t, 3> stampAt(const DiscImage& disc, std::int32_t sector) {
        std::array<std::uint8_t, kImageSectorBytes> s{};
        disc.read(std::int64_t{sector} * kImageSectorBytes, kImageSectorBytes, s.data());
        return {s[0], s[1], s[2]};
    }
    static std::array<std::uint8_t, 3> stamp(std::uint8_t tag, int sector) {
        return {tag, static_cast<std::uint8_t>(sector >> 8), static_cast<std::uint8_t>(sector)};
    }

    fs::path dir;
    std::string error;
};

TEST_F(CueSheetTest, OneFileWithIndexZeroPregaps) {
    bin("album.bin", 3000, 0xA1);
    auto disc = parse(
        "REM GENRE Test\n"
        "PERFORMER \"Some Band\"\n"
        "TITLE \"Some Album\"\n"
        "FILE \"album.bin\" BINARY\n"
        "  TRACK 01 AUDIO\n"
        "    TITLE \"First\"\n"
        "    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n"
        "    INDEX 00 00:10:00\n"
        "    INDEX 01 00:12:00\n"
        "  TRACK 03 AUDIO\n"
        "    FLAGS DCP\n"
        "    INDEX 01 00:20:00\n");
    ASSERT_TRUE(disc) << error;
    EXPECT_EQ(disc->artist(), "Some Band");
    EXPECT_EQ(disc->album(), "Some Album");
    ASSERT_EQ(disc->tracks().size(), 3u);
    EXPECT_EQ(disc->tracks()[0].title, "First");
    EXPECT_EQ(disc->tracks()[1].start, 900);
    EXPECT_EQ(disc->tracks()[1].pregap, 150);
    EXPECT_EQ(disc->tracks()[2].start, 1500);
    EXPECT_EQ(disc->leadOut(), 3000);
    EXPECT_EQ(stampAt(*disc, 1234), stamp(0xA1, 1234));
}

TEST_F(CueSheetTest, SeveralFilesFollowEachOther) {
    bin("one.bin", 1000, 1);
    bin("two.bin", 800, 2);
    bin("three.bin", 600, 3);
    auto disc = parse(
        "FILE \"one.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
        "FILE \"two.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 00 00:00:00\n  INDEX 01 00:02:00\n"
        "FILE \"three.bin\" BINARY\n TRACK 03 AUDIO\n  INDEX 01 00:00:00\n");
    ASSERT_TRUE(disc) << error;
    EXPECT_EQ(disc->tracks()[1].start, 1150);
    EXPECT_EQ(disc->tracks()[1].pregap, 150);
    EXPECT_EQ(disc->tracks()[2].start, 1800);
    EXPECT_EQ(disc->leadOut(), 2400);
    EXPECT_EQ(stampAt(*disc, 999), stamp(1, 999));
    EXPECT_EQ(stampAt(*disc, 1000), stamp(2, 0));
    EXPECT_EQ(stampAt(*disc, 1800), stamp(3, 0));
    // A read across a file boundary joins both files.
    std::vector<std::uint8_t> two(2 * kImageSectorBytes);
    ASSERT_TRUE(disc->read(std::int64_t{1799} * kImageSectorBytes, two.size(), two.data()));
    EXPECT_EQ(two[0], 2);
    EXPECT_EQ(two[kImageSectorBytes], 3);
}

TEST_F(CueSheetTest, PregapCommandInsertsSilenceNoFileHolds) {
    bin("a.bin", 1000, 7);
    auto disc = parse(
        "FILE a.bin BINARY\nTRACK 1 AUDIO\nINDEX 1 00:00:00\n"
        "TRACK 2 AUDIO\nPREGAP 00:02:00\nINDEX 1 00:04:00\n");
    ASSERT_TRUE(disc) << error;
    EXPECT_EQ(disc->tracks()[1].start, 450);
    EXPECT_EQ(disc->tracks()[1].pregap, 150);
    EXPECT_EQ(disc->leadOut(), 1150);
    EXPECT_EQ(stampAt(*disc, 299), stamp(7, 299));
    EXPECT_EQ(stampAt(*disc, 350), (std::array<std::uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(stampAt(*disc, 450), stamp(7, 300));
}

TEST_F(CueSheetTest, DataTrackAndFirstTrackAboveOneThroughTheDrive) {
    bin("mixed.bin", 2000, 9);
    std::ofstream(dir / "mixed.cue")
        << "FILE \"mixed.bin\" BINARY\n"
           "  TRACK 03 MODE1/2352\n    INDEX 01 00:00:00\n"
           "  TRACK 04 AUDIO\n    INDEX 00 00:08:00\n    INDEX 01 00:10:00\n"
           "  TRACK 05 AUDIO\n    INDEX 01 00:20:00\n";
    auto disc = loadCueSheet((dir / "mixed.cue").string(), error);
    ASSERT_TRUE(disc) << error;
    test::FakeClock clock;
    VirtualPassThrough pt(clock);
    pt.addDrive(std::make_shared<VirtualDrive>(clock, disc), 0);

    test::Command toc({0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, DataDirection::In, 804);
    ASSERT_EQ(toc.run(pt), scsi_status::kDone);
    EXPECT_EQ(toc.data[2], 3);
    EXPECT_EQ(toc.data[3], 5);
    EXPECT_EQ(toc.data[4 + 1] & 0x04, 0x04);  // track 3 is data
    EXPECT_EQ(toc.data[4 + 2], 3);
    EXPECT_EQ(toc.data[12 + 1] & 0x04, 0);
    EXPECT_EQ(toc.data[12 + 7], 750 & 0xFF);
    EXPECT_EQ(toc.data[12 + 6], 750 >> 8);
    EXPECT_EQ(toc.data[28 + 2], 0xAA);
    // From track 5 on: one track and the lead-out.
    test::Command from5({0x43, 0, 0, 0, 0, 0, 5, 0x03, 0x24, 0}, DataDirection::In, 804);
    ASSERT_EQ(from5.run(pt), scsi_status::kDone);
    EXPECT_EQ((from5.data[0] << 8 | from5.data[1]), 2 + 16);

    test::Command audioOnData = test::readCd(10, 1);
    ASSERT_EQ(audioOnData.run(pt), scsi_status::kError);
    EXPECT_EQ(audioOnData.asc(), 0x64);
    test::Command user({0x28, 0, 0, 0, 0, 10, 0, 0, 1, 0}, DataDirection::In, 2048);
    ASSERT_EQ(user.run(pt), scsi_status::kDone);
    EXPECT_EQ(user.request.transferred, 2048u);
    EXPECT_EQ(user.data[0], 10);  // the byte after the 16-byte sync and header
    test::Command audio = test::readCd(1500, 2);
    ASSERT_EQ(audio.run(pt), scsi_status::kDone);
    EXPECT_EQ(audio.data[0], 9);
    EXPECT_EQ(audio.data[2], 1500 & 0xFF);
}

TEST_F(CueSheetTest, SecondSessionOfAnEnhancedDiscStartsAfterTheSessionGap) {
    bin("audio.bin", 3000, 1);
    bin("data.bin", 500, 2);
    auto disc = parse(
        "REM SESSION 01\nFILE audio.bin BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
        " TRACK 02 AUDIO\n  INDEX 01 00:20:00\n"
        "REM SESSION 02\nFILE data.bin BINARY\n TRACK 03 MODE1/2352\n  INDEX 01 00:00:00\n");
    ASSERT_TRUE(disc) << error;
    EXPECT_EQ(disc->tracks()[2].start, 3000 + 11400);
    EXPECT_EQ(disc->tracks()[2].pregap, 11400);
    EXPECT_EQ(disc->leadOut(), 3000 + 11400 + 500);
    EXPECT_EQ(stampAt(*disc, 3000 + 11400), stamp(2, 0));
}

TEST_F(CueSheetTest, BadSheetsSayWhatIsWrong) {
    bin("x.bin", 100, 1);
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"TRACK 01 AUDIO\nINDEX 01 00:00:00\n", "line 1: TRACK before any FILE"},
        {"FILE missing.bin BINARY\n", "cannot open the file \"missing.bin\""},
        {"FILE x.bin MOTOROLA\n", "not supported"},
        {"FILE x.bin WAVE\n", "line 1: the file \"x.bin\" is not a wave file"},
        {"FILE x.bin BINARY\nTRACK 01 MODE1/2048\n", "line 2: track type MODE1/2048"},
        {"FILE x.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\n", "track 1 has no INDEX 01"},
        {"FILE x.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:61:00\n", "line 3: bad time"},
        {"FILE x.bin BINARY\nTRACK 02 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n",
         "line 4: track number 02"},
        {"FILE x.bin BINARY\n", "no tracks"},
        {"", "no tracks"},
        {"FILE x.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nBOGUS 1\n",
         "line 4: unknown command BOGUS"},
        {"FILE x.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 "
         "00:05:00\n",
         "past the end"},
        {"FILE x.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:50\nTRACK 02 AUDIO\nINDEX 01 "
         "00:00:10\n",
         "begins before the previous track"},
        {"INDEX 01 00:00:00\n", "INDEX outside a TRACK"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse(c.text), nullptr) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.text << " -> " << error;
    }
    EXPECT_EQ(loadCueSheet((dir / "none.cue").string(), error), nullptr);
    EXPECT_NE(error.find("cannot open the CUE sheet"), std::string::npos);
}

TEST_F(CueSheetTest, WaveFilesStandForTheirPcmData) {
    auto wave = [&](const std::string& name, std::uint16_t channels, std::uint32_t bytes) {
        std::ofstream out(dir / name, std::ios::binary);
        auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out << "RIFF";
        u32(36 + 8 + bytes + 8);
        out << "WAVEfmt ";
        u32(16);
        u16(1);
        u16(channels);
        u32(44100);
        u32(44100 * 2u * channels);
        u16(static_cast<std::uint16_t>(2 * channels));
        u16(16);
        out << "LIST";
        u32(8);
        out << "INFOxxxx";
        out << "data";
        u32(bytes);
        for (std::uint32_t i = 0; i < bytes; ++i) {
            out.put(static_cast<char>(0x40 + i % 7));
        }
    };
    wave("song.wav", 2, 10 * kImageSectorBytes + 100);
    auto disc = parse("FILE \"song.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    ASSERT_TRUE(disc) << error;
    EXPECT_EQ(disc->leadOut(), 11);  // the partial last sector counts, padded with silence
    std::vector<std::uint8_t> last(kImageSectorBytes);
    disc->read(10LL * kImageSectorBytes, last.size(), last.data());
    EXPECT_EQ(last[0], 0x40 + (10 * kImageSectorBytes) % 7);
    EXPECT_EQ(last[100], 0);
    EXPECT_EQ(stampAt(*disc, 0)[0], 0x40);

    wave("mono.wav", 1, 4000);
    EXPECT_FALSE(parse("FILE mono.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"));
    EXPECT_NE(error.find("not 16-bit stereo 44100 Hz PCM"), std::string::npos) << error;
}

TEST_F(CueSheetTest, ForeignFolderInFileNameFallsBackToTheSheetsFolder) {
    bin("disc.bin", 200, 4);
    auto disc = parse("FILE \"C:\\Rips\\disc.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    ASSERT_TRUE(disc) << error;
    EXPECT_EQ(disc->leadOut(), 200);
}

}  // namespace
}  // namespace ps

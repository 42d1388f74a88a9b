#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "support/cli_run.h"

namespace ps {
namespace {

namespace fs = std::filesystem;
using test::CliHome;
using test::runCli;

const std::string kDemo = "PLATTERSCOOP_VIRTUAL_DRIVE=demo PLATTERSCOOP_VIRTUAL_FAULTS=";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(GrabCli, DemoDiscEndToEndWithTheNamesOfTheDiscDatabase) {
    CliHome home;
    const fs::path out = home.path() / "out";
    fs::create_directories(out);
    const auto run = runCli(
        home, kDemo, "grab --json --tracks 1,3 --set DestinationDirectory=" + out.string(), false);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(
        run.output.find(
            R"({"disc":{"artist":"The Virtual Players","album":"Platterscoop Demo Disc","cddb_id":")"),
        std::string::npos)
        << run.output;
    const std::regex track(
        R"re(\{"number":3,"row":2,"name":"Noise Garden","status":256,"checksum":" X?[0-9A-F]{8}X?","wave":"[^"]*/The Virtual Players - Noise Garden\.wav","compressed":null,"information":"Copied OK[^"]*"\})re");
    EXPECT_TRUE(std::regex_search(run.output, track)) << run.output;
    EXPECT_TRUE(fs::exists(out / "The Virtual Players - Morning Tones.wav"));
    EXPECT_TRUE(fs::exists(out / "The Virtual Players - Noise Garden.wav"));
    EXPECT_FALSE(fs::exists(out / "The Virtual Players - Chord Walk.wav"));
    EXPECT_FALSE(fs::exists(out / "temp.wav"));

    // The demo's titles went into the disc database, with their order.
    const std::string cdplayer = readFile(home.path() / "cdplayer.ini");
    EXPECT_NE(cdplayer.find("artist=The Virtual Players\n"), std::string::npos) << cdplayer;
    EXPECT_NE(cdplayer.find("2=Noise Garden\n"), std::string::npos);

    // The stored file's checksum is the one the row shows.
    const auto checksum = runCli(
        home, "", "checksum '" + (out / "The Virtual Players - Noise Garden.wav").string() + "'",
        false);
    ASSERT_EQ(checksum.status, 0);
    std::smatch shown;
    ASSERT_TRUE(std::regex_search(
        run.output, shown,
        std::regex(R"re("name":"Noise Garden","status":256,"checksum":" ([^"]+)")re")));
    EXPECT_EQ(checksum.output, shown[1].str() + "\n");

    // A second grab of the same track stores beside the first, never over it.
    ASSERT_EQ(
        runCli(home, kDemo, "grab --tracks 3 --set DestinationDirectory=" + out.string(), false)
            .status,
        0);
    EXPECT_TRUE(fs::exists(out / "The Virtual Players - Noise Garden-1.wav"));
}

TEST(GrabCli, TestStoresNothingAndBadListsAreRefused) {
    CliHome home;
    const fs::path out = home.path() / "out";
    fs::create_directories(out);
    const auto test =
        runCli(home, kDemo, "grab --test --tracks 2 --set DestinationDirectory=" + out.string());
    EXPECT_EQ(test.status, 0) << test.output;
    EXPECT_TRUE(fs::is_empty(out));

    EXPECT_EQ(runCli(home, kDemo, "grab --tracks 9").status, 2);
    EXPECT_EQ(runCli(home, kDemo, "grab --tracks 3-1").status, 2);
    EXPECT_EQ(runCli(home, kDemo, "grab --tracks x").status, 2);
    const auto noDisc = runCli(home, kDemo + "nodisc", "grab");
    EXPECT_EQ(noDisc.status, 1);
    EXPECT_NE(noDisc.output.find("The CD drive is not ready."), std::string::npos) << noDisc.output;
}

TEST(GrabCli, APersistentReadErrorFailsTheTrackAndTheExitStatus) {
    CliHome home;
    const fs::path out = home.path() / "out";
    fs::create_directories(out);
    // Sectors 2100.. are track 2 of the demo disc.
    const auto run =
        runCli(home, kDemo + "error=2200-2210",
               "grab --json --tracks 2 --set DestinationDirectory=" + out.string(), false);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output.find("\"status\":256"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(out / "The Virtual Players - Chord Walk.wav"));
    EXPECT_FALSE(fs::exists(out / "temp.wav"));
}

// A small CUE/BIN disc: three audio tracks of a tone between silences, titles on the
// sheet. Returns the sheet's path.
fs::path writeCueDisc(const fs::path& dir) {
    const int sectors[] = {300, 225, 375};
    std::ofstream bin(dir / "disc.bin", std::ios::binary);
    for (int track = 0; track < 3; ++track) {
        for (int sector = 0; sector < sectors[track]; ++sector) {
            for (int frame = 0; frame < 588; ++frame) {
                const bool loud = sector >= 20 && sector < sectors[track] - 20;
                const int value = loud ? ((frame * (track + 3)) % 200 - 100) * 80 : 0;
                for (int channel = 0; channel < 2; ++channel) {
                    bin.put(static_cast<char>(value & 0xFF));
                    bin.put(static_cast<char>((value >> 8) & 0xFF));
                }
            }
        }
    }
    std::ofstream(dir / "disc.cue")
        << "PERFORMER \"Band\"\nTITLE \"Live\"\n"
           "FILE \"disc.bin\" BINARY\n"
           "  TRACK 01 AUDIO\n    TITLE \"Intro\"\n    INDEX 01 00:00:00\n"
           "  TRACK 02 AUDIO\n    TITLE \"Song\"\n    INDEX 01 00:04:00\n"
           "  TRACK 03 AUDIO\n    TITLE \"Outro\"\n    INDEX 01 00:07:00\n";
    return dir / "disc.cue";
}

TEST(GrabCli, CueImageIntoSubDirectoriesWithAdvancedNamesAndTheStoredOrder) {
    CliHome home;
    const fs::path out = home.path() / "out";
    fs::create_directories(out);
    const std::string image = "PLATTERSCOOP_VIRTUAL_DRIVE=" + writeCueDisc(home.path()).string() +
                              " PLATTERSCOOP_VIRTUAL_FAULTS=";
    const std::string settings = " --set DestinationDirectory=" + out.string() +
                                 " --set DefaultDrive=PLATTER --set AdvancedNaming=True"
                                 " --set 'AdvancedNameString=%3 %4' --set ArtistAsDirectory=True"
                                 " --set AlbumAsDirectory=True";

    // The disc's titles go into the disc database at the first start; a play order
    // stored there is the order the list shows and the job grabs in.
    std::ofstream(home.path() / "platterscoop.ini") << "[MAIN]\nDefaultDrive=PLATTER\n";
    const auto toc = runCli(home, image, "toc --json", false);
    std::smatch number;
    ASSERT_TRUE(
        std::regex_search(toc.output, number, std::regex(R"re("cdplayer_number":"([0-9A-F]+)")re")))
        << toc.output;
    const fs::path database = home.path() / "cdplayer.ini";
    std::string stored = readFile(database);
    ASSERT_NE(stored.find("[" + number[1].str() + "]"), std::string::npos) << stored;
    const auto orderAt = stored.find("order=");
    ASSERT_NE(orderAt, std::string::npos);
    stored.replace(orderAt, stored.find('\n', orderAt) - orderAt, "order=2 0 1 ");
    std::ofstream(database, std::ios::binary | std::ios::trunc) << stored;

    const auto run = runCli(home, image, "grab --json" + settings, false);
    ASSERT_EQ(run.status, 0) << run.output;
    const std::regex rows(
        R"re("number":3,"row":0,"name":"Outro".*"number":1,"row":1,"name":"Intro".*"number":2,"row":2,"name":"Song")re");
    EXPECT_TRUE(std::regex_search(run.output, rows)) << run.output;
    for (const char* name : {"01 Intro.wav", "02 Song.wav", "03 Outro.wav"}) {
        EXPECT_TRUE(fs::exists(out / "Band" / "Live" / name)) << name;
    }

    // Grabbing again never overwrites: the second copies are numbered.
    ASSERT_EQ(runCli(home, image, "grab --tracks 2" + settings, false).status, 0);
    EXPECT_TRUE(fs::exists(out / "Band" / "Live" / "02 Song-1.wav"));
}

// Normalized, tagged MP3 files through the real encoder, decoded back.
TEST(GrabCli, CueImageIntoNormalizedTaggedMp3FilesWithLame) {
    if (!fs::exists("/usr/bin/lame")) {
        GTEST_SKIP() << "lame is not installed";
    }
    CliHome home;
    const fs::path out = home.path() / "out";
    fs::create_directories(out);
    const std::string image = "PLATTERSCOOP_VIRTUAL_DRIVE=" + writeCueDisc(home.path()).string() +
                              " PLATTERSCOOP_VIRTUAL_FAULTS=";
    const auto run = runCli(home, image,
                            "grab --json --tracks 2 --set DefaultDrive=PLATTER"
                            " --set DestinationDirectory=" +
                                out.string() +
                                " --set UseNormalizing=True --set NormalizeTo=98"
                                " --set NormalizeLimit=False --set AdvancedNormalizing=False"
                                " --set UseL3enc=True --set InternalCodec=False"
                                " --set L3encFilename=/usr/bin/lame --set UseID3Tag=True"
                                " --set DeleteWave=True --set ID3Year=2026",
                            false);
    ASSERT_EQ(run.status, 0) << run.output;
    const fs::path mp3 = out / "Band - Song.mp3";
    ASSERT_TRUE(fs::exists(mp3)) << run.output;
    EXPECT_FALSE(fs::exists(out / "Band - Song.wav"));
    EXPECT_FALSE(fs::exists(out / "temp.wav"));

    const std::string encoded = readFile(mp3);
    ASSERT_GT(encoded.size(), 128u);
    const std::string tag = encoded.substr(encoded.size() - 128);
    EXPECT_EQ(tag.substr(0, 3), "TAG");
    EXPECT_EQ(tag.substr(3, 5), std::string("Song\0", 5));
    EXPECT_EQ(tag.substr(33, 5), std::string("Band\0", 5));
    EXPECT_EQ(tag.substr(63, 5), std::string("Live\0", 5));
    EXPECT_EQ(tag.substr(93, 4), "2026");

    const fs::path decoded = home.path() / "decoded.wav";
    ASSERT_EQ(std::system(("/usr/bin/lame --quiet --decode '" + mp3.string() + "' '" +
                           decoded.string() + "'")
                              .c_str()),
              0);
    const std::string wave = readFile(decoded);
    ASSERT_GT(wave.size(), 44u);
    const std::size_t data = wave.find("data");
    ASSERT_NE(data, std::string::npos);
    const std::size_t frames = (wave.size() - data - 8) / 4;
    // 225 sectors of 588 frames; the decoder may keep up to a frame of padding.
    EXPECT_NEAR(static_cast<double>(frames), 225.0 * 588, 1152 * 2);
    int peak = 0;
    for (std::size_t at = data + 8; at + 1 < wave.size(); at += 2) {
        const auto sample = static_cast<std::int16_t>(
            static_cast<unsigned char>(wave[at]) | (static_cast<unsigned char>(wave[at + 1]) << 8));
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    // The tone peaks at 8,000 on the disc; normalized to 98 % it comes back near 32,100.
    EXPECT_GT(peak, 28000);
}

}  // namespace
}  // namespace ps

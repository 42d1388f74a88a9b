#include "app/settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "app/profile_file.h"

namespace ps {
namespace {

namespace fs = std::filesystem;
using Entries = SettingsEntries;

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("settings_test_" +
                std::to_string(::testing::UnitTest::GetInstance()->current_test_info()->line()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "platterscoop.ini").string();

        env_.programDirectory = "/home/user/.config/platterscoop";
        env_.defaultDestinationDirectory = "/home/user/Music";
        env_.currentYear = 2026;
        env_.screenWidth = 1920;
        env_.screenHeight = 1080;
        env_.designedWindowWidth = 640;
        env_.designedWindowHeight = 480;
        env_.canEnterDirectory = [this](const std::string& d) { return directories_.count(d) > 0; };
        env_.playerIconCount = [this](const std::string& program) {
            const auto at = players_.find(program);
            return at == players_.end() ? -1 : at->second;
        };
    }
    void TearDown() override { fs::remove_all(dir_); }

    void write(const std::string& content) const {
        std::ofstream out(path_, std::ios::binary);
        out << content;
    }
    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    Settings defaults() const {
        Settings s;
        setDefaults(s, env_);
        return s;
    }
    // Loads a [MAIN] section holding just these keys.
    Settings loadKeys(const Entries& keys) {
        std::string content = "[MAIN]\n";
        for (const auto& [key, value] : keys) {
            content += key + "=" + value + "\n";
        }
        write(content);
        Settings s = defaults();
        loadSettings(s, path_, env_);
        return s;
    }

    fs::path dir_;
    std::string path_;
    SettingsEnvironment env_;
    std::set<std::string> directories_ = {"/home/user/Music", "/data/rips"};
    std::map<std::string, int> players_ = {{"/usr/bin/player", 3}, {"/usr/bin/bare", 0}};
};

std::string order(const Settings& s) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", s.trackNameOrderCode());
    return text;
}

TEST_F(SettingsTest, ReadingRules) {
    using Field = std::function<std::string(const Settings&)>;
    struct Case {
        Entries keys;
        Field field;
        std::string expected;
    };
    const auto num = [](auto value) { return std::to_string(value); };
    const auto yes = [](bool value) { return std::string(value ? "on" : "off"); };
    const Case cases[] = {
        // "Nix" is the missing marker, in any key
        {{{"NormalizeTo", "Nix"}}, [&](const Settings& s) { return num(s.NormalizeTo); }, "98"},
        {{{"ShowChecksum", "Nix"}}, [&](const Settings& s) { return yes(s.ShowChecksum); }, "on"},
        {{{"WhatCodec", "Nix"}}, [](const Settings& s) { return s.WhatCodec; }, "None"},
        {{{"CD-ROMType", "nix"}}, [](const Settings& s) { return s.CD_ROMType; }, "ATAPI"},
        {{{"CD-ROMType", ""}}, [](const Settings& s) { return s.CD_ROMType; }, "ATAPI"},
        {{{"ASPIRipSpeed", "4x"}}, [](const Settings& s) { return s.ASPIRipSpeed; }, "4x"},
        {{{"DefaultInputSoundCard", "Nix"}},
         [](const Settings& s) { return s.DefaultInputSoundCard; },
         "Default"},
        {{{"DefaultDrive", ""}}, [](const Settings& s) { return s.DefaultDrive; }, "First found"},
        {{{"DefaultDrive", "Nix"}}, [](const Settings& s) { return s.DefaultDrive; }, ""},
        // booleans
        {{{"UseL3enc", "yes"}}, [&](const Settings& s) { return yes(s.UseL3enc); }, "on"},
        {{{"UseL3enc", "1"}}, [&](const Settings& s) { return yes(s.UseL3enc); }, "on"},
        {{{"UseL3enc", "TRUE"}}, [&](const Settings& s) { return yes(s.UseL3enc); }, "on"},
        {{{"UseL3enc", "2"}}, [&](const Settings& s) { return yes(s.UseL3enc); }, "off"},
        {{{"ShowChecksum", "no"}}, [&](const Settings& s) { return yes(s.ShowChecksum); }, "off"},
        // integers: strict decimal with the boolean fallback; int16 keeps the low 16 bits
        {{{"CompressLimit", "True"}}, [&](const Settings& s) { return num(s.CompressLimit); }, "1"},
        {{{"CompressLimit", "80%"}}, [&](const Settings& s) { return num(s.CompressLimit); }, "0"},
        {{{"NormalizeTo", "65634"}}, [&](const Settings& s) { return num(s.NormalizeTo); }, "98"},
        {{{"AverageLow", "40000"}}, [&](const Settings& s) { return num(s.AverageLow); }, "-25536"},
        {{{"CDSpeed", "40000"}}, [&](const Settings& s) { return num(s.CDSpeed); }, "100"},
        {{{"Debug", "65537"}}, [&](const Settings& s) { return num(s.Debug); }, "1"},
        // clamps and replacements
        {{{"L3encBitrate", "100000"}},
         [&](const Settings& s) { return num(s.L3encBitrate); },
         "112000"},
        {{{"L3encBitrate", "128000"}},
         [&](const Settings& s) { return num(s.bitrateIndex()); },
         "8"},
        {{{"TrackNameOrder", "2143xyz"}}, order, "2143"},
        {{{"TrackNameOrder", "5123"}}, order, "1234"},
        {{{"TrackNameOrder", "214"}}, order, "1234"},
        {{{"TrackNameOrder", "1134"}}, order, "1234"},
        {{{"DiscardOffset", "250"}, {"StartOffset", "7"}},
         [&](const Settings& s) { return num(s.DiscardOffset) + "/" + num(s.StartOffset); },
         "100/7"},
        {{{"DiscardOffset", "-5"}}, [&](const Settings& s) { return num(s.DiscardOffset); }, "0"},
        {{{"StartOffset", "-200"}, {"EndOffset", "151"}},
         [&](const Settings& s) { return num(s.StartOffset) + "/" + num(s.EndOffset); },
         "-150/150"},
        {{{"ID3Genre", "200"}}, [&](const Settings& s) { return num(s.ID3Genre); }, "13"},
        {{{"ID3Genre", "255"}}, [&](const Settings& s) { return num(s.ID3Genre); }, "255"},
        {{{"ID3Genre", "148"}}, [&](const Settings& s) { return num(s.ID3Genre); }, "148"},
        {{{"ID3Genre", "-1"}}, [&](const Settings& s) { return num(s.ID3Genre); }, "13"},
        {{{"PartialStart", "0"}}, [&](const Settings& s) { return num(s.PartialStart); }, "0"},
        {{{"PartialStart", "-3"}}, [&](const Settings& s) { return num(s.PartialStart); }, "0"},
        {{{"PartialStart", "100001"}},
         [&](const Settings& s) { return num(s.PartialStart); },
         "100000"},
        {{{"PartialLength", "0"}}, [&](const Settings& s) { return num(s.PartialLength); }, "1"},
        {{{"ShutDownDelay", "5"}}, [&](const Settings& s) { return num(s.ShutDownDelay); }, "10"},
        {{{"ShutDownDelay", "4000"}},
         [&](const Settings& s) { return num(s.ShutDownDelay); },
         "3600"},
        {{{"FadeTime", "5"}}, [&](const Settings& s) { return num(s.FadeTime); }, "3"},
        {{{"AutoStopSeconds", "0"}},
         [&](const Settings& s) { return num(s.AutoStopSeconds); },
         "1"},
        {{{"EncoderPriority", "3"}},
         [&](const Settings& s) { return num(s.EncoderPriority); },
         "2"},
        {{{"InputVolume", "101"}}, [&](const Settings& s) { return num(s.InputVolume); }, "75"},
        {{{"InputVolume", "0"}}, [&](const Settings& s) { return num(s.InputVolume); }, "0"},
        {{{"SplitTrackSensitivity", "0"}},
         [&](const Settings& s) { return num(s.SplitTrackSensitivity); },
         "5"},
        {{{"CDSpeed", "0"}, {"ComputerSpeed", "-5"}},
         [&](const Settings& s) { return num(s.CDSpeed) + "/" + num(s.ComputerSpeed); },
         "100/500"},
        {{{"OwnExtension", "abcdefghijklm"}},
         [](const Settings& s) { return s.OwnExtension; },
         "abcdefghij"},
        {{{"ID3Year", "19999"}}, [](const Settings& s) { return s.ID3Year; }, "1999"},
        {{{"ID3Comment", std::string(40, 'c')}},
         [&](const Settings& s) { return num(s.ID3Comment.size()); },
         "30"},
        // fractions: "%.4f", not above 0 gives 2, above 100 gives 100
        {{{"CodecHq", "3.25"}},
         [](const Settings& s) { return settingsFraction(s.CodecHq); },
         "3.2500"},
        {{{"CodecHq", "0"}},
         [](const Settings& s) { return settingsFraction(s.CodecHq); },
         "2.0000"},
        {{{"CodecLq", "-1.5"}},
         [](const Settings& s) { return settingsFraction(s.CodecLq); },
         "2.0000"},
        {{{"CodecLq", "150"}},
         [](const Settings& s) { return settingsFraction(s.CodecLq); },
         "100.0000"},
        {{{"CodecHq", "inf"}},
         [](const Settings& s) { return settingsFraction(s.CodecHq); },
         "2.0000"},
        {{{"CodecHq", "True"}},
         [](const Settings& s) { return settingsFraction(s.CodecHq); },
         "1.0000"},
        {{{"EncodingSpeed", "1.5,,0,7, 2.25 ,x"}},
         [](const Settings& s) {
             std::string all;
             for (double v : s.EncodingSpeed) {
                 all += settingsFraction(v) + " ";
             }
             return all;
         },
         "1.5000 1.5368 2.0304 7.0000 2.2500 3.8000 4.5000 4.9338 4.9575 5.2500 5.5800 5.0000 "},
        // enumerated texts
        {{{"PeakOrAverage", "avarage"}},
         [](const Settings& s) { return s.PeakOrAverage; },
         "AVERAGE"},
        {{{"PeakOrAverage", "mean"}}, [](const Settings& s) { return s.PeakOrAverage; }, "PEAK"},
        {{{"CompressionWhen", "only if loud"}},
         [&](const Settings& s) { return num(s.compressionWhenCode()); },
         "2"},
        {{{"CompressionWhen", "never"}},
         [&](const Settings& s) { return num(s.compressionWhenCode()); },
         "0"},
        {{{"CompressionWhen", "ALWAYS"}},
         [](const Settings& s) { return s.CompressionWhen; },
         "ALWAYS"},
        {{{"CompressionWhen", "sometimes"}},
         [](const Settings& s) { return s.CompressionWhen; },
         "ONLY WHEN NEEDED"},
        {{{"CDDBConnectVia", "http"}}, [](const Settings& s) { return s.CDDBConnectVia; }, "HTTP"},
        {{{"CDDBConnectVia", "smtp"}},
         [](const Settings& s) { return s.CDDBConnectVia; },
         "TCP/IP"},
        {{{"LineInRecordMode", "manual"}},
         [&](const Settings& s) { return num(s.lineInRecordModeCode()); },
         "1"},
        {{{"LineInRecordMode", "manual"}, {"StartInLineInMode", "True"}},
         [&](const Settings& s) { return num(s.lineInRecordModeCode()); },
         "3"},
        {{{"LineInRecordMode", "loop"}},
         [](const Settings& s) { return s.LineInRecordMode; },
         "AUTO SPLIT TRACKS"},
        {{{"ASPIInversedByteOrder", "yes"}},
         [&](const Settings& s) { return num(s.aspiInversedByteOrderCode()); },
         "2"},
        {{{"ASPIInversedByteOrder", "No"}},
         [&](const Settings& s) { return num(s.aspiInversedByteOrderCode()); },
         "1"},
        {{{"ASPIInversedByteOrder", "maybe"}},
         [&](const Settings& s) { return num(s.aspiInversedByteOrderCode()); },
         "0"},
        {{{"E-MailAdress", "john doe@example.com"}},
         [](const Settings& s) { return s.eMailPlusForm() + "|" + s.eMailSpaceForm(); },
         "john+doe+example.com|john doe example.com"},
        {{{"DontStartScreensaver", "True"}},
         [&](const Settings& s) { return yes(s.screensaverAllowed()); },
         "off"},
        // access mode and drive keys: raw texts for the start-up selection
        {{{"AccessMode", "mscdex"}},
         [&](const Settings& s) { return s.AccessMode + "/" + num(s.accessMode); },
         "mscdex/0"},
        {{{"AccessMode", "analog"}}, [&](const Settings& s) { return num(s.accessMode); }, "2"},
        {{{"AccessMode", "SCSI"}}, [&](const Settings& s) { return num(s.accessMode); }, "1"},
        {{},
         [&](const Settings& s) {
             return s.AccessMode + "/" + s.ANALOGCDRomDrive + "/" + s.MSCDEXCDRomDrive + "/" +
                    num(s.analogDrive) + "/" + num(s.mscdexDrive);
         },
         "Nix/Nix/Nix/-1/-1"},
        {{{"ANALOGCDRomDrive", "e:"}, {"MSCDEXCDRomDrive", "1"}},
         [&](const Settings& s) {
             return s.ANALOGCDRomDrive + "/" + num(s.analogDrive) + "/" + num(s.mscdexDrive);
         },
         "e:/4/-1"},
        // destination directory (h)
        {{{"DestinationDirectory", "/data/rips"}},
         [](const Settings& s) { return s.DestinationDirectory; },
         "/data/rips"},
        {{{"DestinationDirectory", "/gone"}},
         [](const Settings& s) { return s.DestinationDirectory; },
         "/home/user/Music"},
        {{{"DestinationDirectory", ""}},
         [](const Settings& s) { return s.DestinationDirectory; },
         "/home/user/Music"},
        // player icon (m)
        {{{"MP3Player", "/usr/bin/player"}, {"MP3PlayerIcon", "x"}, {"MP3PlayerCurrentIcon", "7"}},
         [&](const Settings& s) { return s.MP3PlayerIcon + "/" + num(s.MP3PlayerCurrentIcon); },
         "FromMP3Player/2"},
        {{{"MP3Player", "/usr/bin/player"},
          {"MP3PlayerIcon", "FromMP3Player"},
          {"MP3PlayerCurrentIcon", "-4"}},
         [&](const Settings& s) { return s.MP3PlayerIcon + "/" + num(s.MP3PlayerCurrentIcon); },
         "FromMP3Player/0"},
        {{{"MP3Player", "/missing"}, {"MP3PlayerIcon", "FromMP3Player"}},
         [](const Settings& s) { return s.MP3PlayerIcon; },
         "Default"},
        {{{"MP3Player", "/usr/bin/bare"}, {"MP3PlayerIcon", "FromMP3Player"}},
         [](const Settings& s) { return s.MP3PlayerIcon; },
         "Default"},
        {{{"MP3PlayerIcon", "FromMP3Player"}},
         [](const Settings& s) { return s.MP3PlayerIcon; },
         "Default"},
        {{{"MP3Player", "/usr/bin/player"}, {"MP3PlayerIcon", "default"}},
         [](const Settings& s) { return s.MP3PlayerIcon; },
         "Default"},
    };
    for (const Case& c : cases) {
        std::string label;
        for (const auto& [key, value] : c.keys) {
            label += key + "=" + value + " ";
        }
        EXPECT_EQ(c.field(loadKeys(c.keys)), c.expected) << label;
    }
}

TEST_F(SettingsTest, WindowRules) {
    struct Case {
        Entries keys;
        std::string expected;  // columns, width x height, left, top, applied
    };
    const Entries good = {{"Column1Width", "100"}, {"Column2Width", "60"}, {"Column3Width", "60"},
                          {"Column4Width", "60"},  {"WindowWidth", "800"}, {"WindowHeight", "600"},
                          {"WindowLeft", "100"},   {"WindowTop", "100"}};
    const auto with = [&good](const Entries& changes) {
        Entries keys = good;
        for (const auto& change : changes) {
            for (auto& entry : keys) {
                if (entry.first == change.first) {
                    entry.second = change.second;
                }
            }
        }
        return keys;
    };
    const Case cases[] = {
        {good, "100,60,60,60 800x600 100 100 applied"},
        {with({{"Column1Width", "30"}, {"Column3Width", "10"}}),
         "50,60,20,60 800x600 100 100 applied"},
        {with({{"Column2Width", "-1"}}), "100,-1,60,60 640x480 100 -10 centred"},
        {with({{"WindowWidth", "1921"}}), "100,60,60,60 640x480 100 -10 centred"},
        {with({{"WindowHeight", "1081"}}), "100,60,60,60 640x480 100 -10 centred"},
        {with({{"WindowTop", "-9"}, {"WindowLeft", "-200"}}),
         "100,60,60,60 800x600 -200 -9 applied"},
        {with({{"WindowTop", "-50"}}), "100,60,60,60 640x480 100 -10 centred"},
        {with({{"WindowLeft", "-201"}}), "100,60,60,60 640x480 -10 -10 centred"},
        {with({{"WindowTop", "880"}, {"WindowLeft", "1720"}}),
         "100,60,60,60 800x600 1720 880 applied"},
        {with({{"WindowTop", "881"}}), "100,60,60,60 640x480 100 -10 centred"},
        {with({{"WindowLeft", "1721"}}), "100,60,60,60 640x480 -10 -10 centred"},
    };
    for (const Case& c : cases) {
        const Settings s = loadKeys(c.keys);
        const std::string got =
            std::to_string(s.Column1Width) + "," + std::to_string(s.Column2Width) + "," +
            std::to_string(s.Column3Width) + "," + std::to_string(s.Column4Width) + " " +
            std::to_string(s.WindowWidth) + "x" + std::to_string(s.WindowHeight) + " " +
            std::to_string(s.WindowLeft) + " " + std::to_string(s.WindowTop) + " " +
            (s.applySavedWindowLayout ? "applied" : "centred");
        EXPECT_EQ(got, c.expected);
    }
}

TEST_F(SettingsTest, MissingFileGivesTheDefaults) {
    Settings s = defaults();
    const SettingsLoadResult result = loadSettings(s, (dir_ / "absent.ini").string(), env_);
    EXPECT_FALSE(result.fileRead);
    EXPECT_FALSE(result.programWasRunning);
    EXPECT_EQ(s, defaults());
    EXPECT_FALSE(fs::exists(dir_ / "absent.ini"));
}

// The contract of Save: every key it writes, in its order, for the built-in defaults.
TEST_F(SettingsTest, SaveWritesTheDefaultsInItsOrder) {
    const Entries golden = {
        {"Language", ""},
        {"NormalizeTo", "98"},
        {"NormalizeLow", "91"},
        {"NormalizeHigh", "99"},
        {"AdvancedNormalizing", "False"},
        {"DesiredAverage", "65"},
        {"AverageCondition", "False"},
        {"PeakOrAverage", "PEAK"},
        {"AverageLow", "60"},
        {"AverageHigh", "70"},
        {"CompressionWhen", "ONLY WHEN NEEDED"},
        {"MaximumCompressWith", "60"},
        {"CompressLimit", "80"},
        {"NormalizeToNewFile", "False"},
        {"CompressCondition", "True"},
        {"UseNormalizing", "False"},
        {"NormalizeLimit", "False"},
        {"L3encBitrate", "112000"},
        {"L3encArguments", ""},
        {"L3encFilename", ""},
        {"OwnExtension", "mp3"},
        {"UseOwnExtension", "False"},
        {"L3encHQBit", "False"},
        {"L3CRCFlag", "False"},
        {"UseL3enc", "False"},
        {"DirectEncode", "False"},
        {"DeleteWave", "False"},
        {"DeleteDroppedWaves", "False"},
        {"L3encToTop", "False"},
        {"RipAllTracksBeforeEncoding", "False"},
        {"UseID3Tag", "False"},
        {"AppendID3toWavFile", "False"},
        {"ID3Year", "2026"},
        {"ID3Genre", "13"},
        {"ID3Comment", ""},
        {"ID3AppendChecksum", "False"},
        {"UseOwnL3encArguments", "False"},
        {"DestinationDirectory", "/home/user/Music"},
        {"CDSpeed", "100"},
        {"ComputerSpeed", "500"},
        {"LockTimeCalculation", "False"},
        {"DontStartScreensaver", "False"},
        {"PlayClickSounds", "True"},
        {"MultipleInstances", "False"},
        {"ContinueRipping", "False"},
        {"ReplaceSpaces", "False"},
        {"ArtistAsFileName", "True"},
        {"AlbumAsFileName", "False"},
        {"TrackNumberAsFileName", "False"},
        {"TrackNameAsFileName", "True"},
        {"TrackNameOrder", "1234"},
        {"ArtistAsDirectory", "False"},
        {"AlbumAsDirectory", "False"},
        {"SubDirsOnlyForMP3", "False"},
        {"AdvancedNaming", "False"},
        {"AdvancedNameString", ""},
        {"DefaultPlaySoundCard", "Default"},
        {"DefaultInputSoundCard", "Default"},
        {"SetInputVolume", "True"},
        {"InputVolume", "75"},
        {"MuteSpeakers", "False"},
        {"ShowVolumeMeter", "True"},
        {"DefaultSoundCard", "Default"},
        {"CodecHq", "4.0000"},
        {"CodecLq", "2.0000"},
        {"EncodingSpeed",
         "0.6020,1.5368,2.0304,2.5000,3.1000,3.8000,4.5000,4.9338,4.9575,5.2500,5.5800,5.0000"},
        {"DeleteLeadingSilence", "False"},
        {"DeleteTrailingSilence", "False"},
        {"LeadingSilence", "5"},
        {"TrailingSilence", "5"},
        {"StoreInCdplayer.ini", "True"},
        {"AutoStoreInCDPlayer.ini", "True"},
        {"AutoQuery", "False"},
        {"ShowPlayButtons", "True"},
        {"ContinueAfterLostSynch", "True"},
        {"FramesWanted", "25"},
        {"SynchronizationOverlap", "1"},
        {"InternalCodec", "True"},
        {"WhatCodec", "None"},
        {"CodecMode", "128 Bit/s, 44,100 Hz, Stereo"},
        {"EncoderPriority", "2"},
        {"AccessMode", "ASPI"},
        {"DefaultDrive", ""},
        {"CD-ROMType", "ATAPI"},
        {"ASPIRipMethod", "Burst Copy"},
        {"ASPIRipSpeed", "Default"},
        {"ASPIShowAllSpeeds", "True"},
        {"ProgramRunning", "False"},
        {"ShowChecksum", "True"},
        {"ShowRipSpeed", "False"},
        {"ShowLostSynchs", "False"},
        {"ShowSpeedProblems", "False"},
        {"ShowOldPeak", "False"},
        {"ShowNewPeak", "False"},
        {"ShowOldAverage", "False"},
        {"ShowNewAverage", "False"},
        {"ShowOldCompactRatio", "False"},
        {"ShowNewCompactRatio", "False"},
        {"NoChecksum", "False"},
        {"ShutDownComputer", "False"},
        {"EjectDiscAfterRipping", "False"},
        {"SelectAllTrack", "True"},
        {"StartPlaying", "False"},
        {"PlayGrabbedFiles", "True"},
        {"MP3Player", ""},
        {"MP3PlayerIcon", "Default"},
        {"MP3PlayerCurrentIcon", "0"},
        {"StartOffset", "0"},
        {"EndOffset", "0"},
        {"DiscardOffset", "0"},
        {"SendStartUnit", "False"},
        {"SpinUpDisc", "False"},
        {"ShortenLastTrack", "True"},
        {"PartialRips", "False"},
        {"PartialFadeIn", "False"},
        {"PartialFadeOut", "False"},
        {"FadeTime", "3"},
        {"LogarithmicFade", "True"},
        {"PartialLength", "30"},
        {"PartialStart", "30"},
        {"DisplayTipOfTheDay", "True"},
        {"CDDBServer", "gnudb.gnudb.org"},
        {"CDDBLocation", "Random US site"},
        {"CDDBHTTPPath", "/~cddb/cddb.cgi"},
        {"CDDBTCPIPPort", "8880"},
        {"CDDBConnectVia", "TCP/IP"},
        {"UseProxy", "False"},
        {"ProxyPort", ""},
        {"ProxyServer", ""},
        {"E-MailAdress", ""},
        {"LineInRecordMode", "AUTO SPLIT TRACKS"},
        {"SplitTrackSensitivity", "5"},
        {"TracksAreAtLeast35Seconds", "True"},
        {"AppendDateAndTimeToFileNames", "False"},
        {"AutoLoadTrackNames", "False"},
        {"AutoLoadTimes", "False"},
        {"StartInLineInMode", "False"},
        {"LineInShutDown", "False"},
        {"AutoStopAfter", "False"},
        {"AutoStopSeconds", "30"},
        {"Column1Width", "-1"},
        {"Column2Width", "-1"},
        {"Column3Width", "-1"},
        {"Column4Width", "-1"},
        {"WindowWidth", "640"},
        {"WindowHeight", "480"},
        {"WindowLeft", "-10"},
        {"WindowTop", "-10"},
        {"WindowMaximized", "False"},
        {"StartWhenPCStarts", "False"},
    };
    EXPECT_EQ(savedEntries(defaults()), golden);

    const Entries readOnly = {{"Debug", "0"},           {"ASPIInversedByteOrder", "AUTO"},
                              {"ASPISynchMethod", "0"}, {"ShutDownDelay", "120"},
                              {"ProxyUsername", ""},    {"ProxyPassword", ""}};
    EXPECT_EQ(readOnlyEntries(defaults()), readOnly);
}

TEST_F(SettingsTest, EveryWrittenKeyIsReadAndWrittenOnce) {
    std::set<std::string> written;
    for (const auto& [key, value] : savedEntries(defaults())) {
        EXPECT_TRUE(written.insert(key).second) << key;
        EXPECT_TRUE(isSettingsKey(key) || key == "DefaultSoundCard") << key;
    }
    for (const auto& [key, value] : readOnlyEntries(defaults())) {
        EXPECT_EQ(written.count(key), 0u) << key;
        written.insert(key);
    }
    // Only the drive keys (no drive yet) and the driver warning (not turned off) are missing.
    for (std::string_view key : settingsKeys()) {
        if (key != "MSCDEXCDRomDrive" && key != "ANALOGCDRomDrive" &&
            key != "ShowScsi1hlpVarning") {
            EXPECT_EQ(written.count(std::string(key)), 1u) << key;
        }
    }
}

TEST_F(SettingsTest, SaveWritesTheStateOfTheRun) {
    Settings s = defaults();
    const auto value = [&s](const std::string& key) {
        for (const auto& [k, v] : savedEntries(s)) {
            if (k == key) {
                return v;
            }
        }
        return std::string("(absent)");
    };
    EXPECT_EQ(value("ShowScsi1hlpVarning"), "(absent)");
    s.scsi1hlpWarningTurnedOff = true;
    s.ShowScsi1hlpVarning = false;
    EXPECT_EQ(value("ShowScsi1hlpVarning"), "False");

    const std::pair<int, const char*> modes[] = {
        {-1, "ASPI"}, {0, "MSCDEX"}, {1, "ASPI"}, {2, "ANALOG"}};
    for (const auto& [mode, text] : modes) {
        s.accessMode = mode;
        EXPECT_EQ(value("AccessMode"), text) << mode;
    }
    s.analogDrive = 4;
    s.mscdexDrive = 3;
    EXPECT_EQ(value("ANALOGCDRomDrive"), "E:");
    EXPECT_EQ(value("MSCDEXCDRomDrive"), "D:");

    s.DefaultPlaySoundCard = "hw:1";
    EXPECT_EQ(value("DefaultSoundCard"), "hw:1");
    s.TrackNameOrder = "4321";
    EXPECT_EQ(value("TrackNameOrder"), "4321");
    s.L3encBitrate = 100000;  // not in the list: the default index
    EXPECT_EQ(value("L3encBitrate"), "112000");
    s.ProgramRunning = true;
    EXPECT_EQ(value("ProgramRunning"), "True");
}

TEST_F(SettingsTest, FractionsIgnoreTheLocale) {
    EXPECT_EQ(settingsFraction(0.602), "0.6020");
    EXPECT_EQ(settingsFraction(4.93385), "4.9338");  // the nearest double is below the half
    EXPECT_EQ(settingsFraction(100), "100.0000");
}

// The access mode and drive keys keep the spelling they were read with, so they are
// written here as Save writes them.
TEST_F(SettingsTest, RoundTripGivesTheSameRecord) {
    write(
        "[MAIN]\n"
        "Language=deutsch.lng\nUseL3enc=yes\nL3encBitrate=192000\nCodecHq=3.3333\n"
        "EncodingSpeed=1,2,3\nDestinationDirectory=/data/rips\nTrackNameOrder=3412\n"
        "PeakOrAverage=avarage\nCompressionWhen=always\nLineInRecordMode=time scheduled\n"
        "CDDBConnectVia=Http\nE-MailAdress=me@example.org\nMP3Player=/usr/bin/player\n"
        "MP3PlayerIcon=yes\nMP3PlayerCurrentIcon=2\nAccessMode=ANALOG\nANALOGCDRomDrive=F:\n"
        "Column1Width=120\nColumn2Width=80\nColumn3Width=80\nColumn4Width=90\n"
        "WindowWidth=900\nWindowHeight=700\nWindowLeft=40\nWindowTop=30\nWindowMaximized=1\n"
        "ID3Comment=Grabbed with care\nID3Genre=255\nNormalizeTo=-3\nDefaultDrive=\n");
    Settings first = defaults();
    loadSettings(first, path_, env_);
    ASSERT_TRUE(saveSettings(first, path_));
    Settings second = defaults();
    loadSettings(second, path_, env_);
    EXPECT_EQ(savedEntries(second), savedEntries(first));
    EXPECT_TRUE(second == first);
    EXPECT_TRUE(first.applySavedWindowLayout);
    EXPECT_EQ(first.accessMode, 2);
    EXPECT_EQ(first.analogDrive, 5);
}

TEST_F(SettingsTest, SaveKeepsOtherKeysAndSections) {
    write("; my settings\n[MAIN]\nWindowTop=5\nMyOwnKey=kept\n\n[Tools]\nEditor=vi\n");
    Settings s = defaults();
    ASSERT_TRUE(saveSettings(s, path_));
    ProfileFile file(path_);
    EXPECT_EQ(file.readText("MAIN", "MyOwnKey"), "kept");
    EXPECT_EQ(file.readText("Tools", "Editor"), "vi");
    EXPECT_EQ(file.readText("MAIN", "WindowTop"), "-10");
    EXPECT_EQ(file.keys("MAIN").front(), "WindowTop");  // an existing key keeps its place
    EXPECT_EQ(contents().rfind("; my settings\n", 0), 0u);

    EXPECT_FALSE(saveSettings(s, (dir_ / "missing" / "platterscoop.ini").string()));
}

TEST_F(SettingsTest, ProgramRunningAndCrashRecovery) {
    write("[MAIN]\nProgramRunning=True\nASPIShowAllSpeeds=False\nOther=1\n");
    Settings s = defaults();
    const SettingsLoadResult result = loadSettings(s, path_, env_);
    EXPECT_TRUE(result.fileRead);
    EXPECT_TRUE(result.programWasRunning);
    EXPECT_TRUE(s.programWasRunning);
    EXPECT_TRUE(s.ASPIShowAllSpeeds);
    EXPECT_FALSE(s.ProgramRunning);  // what the close handler's Save will write

    ASSERT_TRUE(markProgramRunning(path_, true));
    EXPECT_EQ(contents(), "[MAIN]\nProgramRunning=True\nASPIShowAllSpeeds=False\nOther=1\n");
    ASSERT_TRUE(markProgramRunning(path_, false));
    EXPECT_EQ(contents(), "[MAIN]\nProgramRunning=False\nASPIShowAllSpeeds=False\nOther=1\n");

    Settings normal = defaults();
    EXPECT_FALSE(loadSettings(normal, path_, env_).programWasRunning);
    EXPECT_FALSE(normal.ASPIShowAllSpeeds);
}

TEST_F(SettingsTest, ByteOrderIsRewrittenUpperCasedAtOnce) {
    write("[MAIN]\nASPIInversedByteOrder=yes\nOther=1\n");
    Settings s = defaults();
    loadSettings(s, path_, env_);
    EXPECT_EQ(s.ASPIInversedByteOrder, "YES");
    EXPECT_EQ(contents(), "[MAIN]\nASPIInversedByteOrder=YES\nOther=1\n");

    // An override is not the file's value and is not written.
    loadSettings(s, path_, env_, {{"ASPIInversedByteOrder", "no"}});
    EXPECT_EQ(s.aspiInversedByteOrderCode(), 1);
    EXPECT_EQ(contents(), "[MAIN]\nASPIInversedByteOrder=YES\nOther=1\n");
}

TEST_F(SettingsTest, OverridesActAsIfInTheFile) {
    write("[MAIN]\nUseL3enc=False\nNormalizeTo=90\nShutDownDelay=60\n");
    const std::string before = contents();
    Settings s = defaults();
    loadSettings(s, path_, env_,
                 {{"usel3enc", "yes"},
                  {"L3encBitrate", "100000"},
                  {"ShutDownDelay", "5"},
                  {"NormalizeTo", "Nix"},
                  {"ID3Comment", "line\nbreak"},
                  {"NoSuchKey", "1"}});
    EXPECT_TRUE(s.UseL3enc);
    EXPECT_EQ(s.L3encBitrate, 112000);
    EXPECT_EQ(s.ShutDownDelay, 10);
    EXPECT_EQ(s.NormalizeTo, 98);
    EXPECT_EQ(s.ID3Comment, "line break");
    EXPECT_EQ(contents(), before);
    EXPECT_FALSE(isSettingsKey("NoSuchKey"));
    EXPECT_TRUE(isSettingsKey("e-mailadress"));
}

TEST_F(SettingsTest, SettingsFilePath) {
    EXPECT_EQ(settingsFilePath("/home/u/.config/platterscoop"),
              "/home/u/.config/platterscoop/platterscoop.ini");
    EXPECT_EQ(settingsFilePath("/"), "/platterscoop.ini");
}

}  // namespace
}  // namespace ps

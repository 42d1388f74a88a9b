#include "encode/encoder_command.h"

#include <gtest/gtest.h>

#include "app/settings.h"

namespace ps {
namespace {

using Args = std::vector<std::string>;

Settings EncoderSettings(const std::string& encoder) {
    Settings settings;
    settings.L3encFilename = encoder;
    settings.L3encBitrate = 112000;  // index 7
    settings.L3encHQBit = true;
    settings.L3CRCFlag = true;
    settings.DestinationDirectory = "/rips";
    return settings;
}

TEST(EncoderFamily, ToldByTheFileNameInAnyCase) {
    EXPECT_EQ(EncoderFamilyOf("/opt/mp3/mp3enc31.exe"), EncoderFamily::Mp3enc);
    EXPECT_EQ(EncoderFamilyOf("MP3ENC"), EncoderFamily::Mp3enc);
    EXPECT_EQ(EncoderFamilyOf("/usr/bin/lame"), EncoderFamily::Lame);
    EXPECT_EQ(EncoderFamilyOf("/opt/LAME-3.100"), EncoderFamily::Lame);
    EXPECT_EQ(EncoderFamilyOf("/opt/mp3/l3enc"), EncoderFamily::L3enc);
    EXPECT_EQ(EncoderFamilyOf("/opt/lame/encoder"), EncoderFamily::L3enc);  // not the directory
    EXPECT_EQ(EncoderFamilyOf("/opt/mp3enc/l3enc"), EncoderFamily::L3enc);
}

TEST(EncoderOptions, BitrateArgumentOfEveryIndex) {
    const char* expected[] = {"-br 8000",   "-br 16000",  "-br 24000", "-br 32000",
                              "-br 56000",  "-br 64000",  "-br 96000", "-br 112000",
                              "-br 128000", "-br 192000", "-br 256000"};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(BitrateArgument(i), expected[i]);
    }
    EXPECT_EQ(BitrateArgument(11), "-br 128000");
    EXPECT_EQ(BitrateArgument(-1), "-br 128000");
}

struct OptionsCase {
    const char* name;
    std::string encoder;
    bool hq, crc;
    int bitrate;
    Args expected;
};

class EncoderOptionsFromSettings : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(EncoderOptionsFromSettings, FamilyConventions) {
    const auto& c = GetParam();
    Settings settings = EncoderSettings(c.encoder);
    settings.L3encHQBit = c.hq;
    settings.L3CRCFlag = c.crc;
    settings.L3encBitrate = c.bitrate;
    EXPECT_EQ(EncoderOptions(settings, EncoderFamilyOf(c.encoder), {}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncoderOptionsFromSettings,
    ::testing::Values(
        OptionsCase{"L3encAll", "l3enc", true, true, 112000, {"-br", "112000", "-hq", "-crc"}},
        OptionsCase{"L3encPlain", "l3enc", false, false, 8000, {"-br", "8000"}},
        OptionsCase{
            "Mp3encHq", "mp3enc31", true, true, 112000, {"-br", "112000", "-qual", "9", "-crc"}},
        OptionsCase{
            "Mp3encNormal", "mp3enc31", false, false, 256000, {"-br", "256000", "-qual", "0"}},
        OptionsCase{"LameAll", "lame", true, true, 112000, {"-b", "112", "-h", "-p"}},
        OptionsCase{"LamePlain", "lame", false, false, 192000, {"-b", "192"}}),
    [](const auto& info) { return info.param.name; });

struct OwnCase {
    const char* name;
    std::string text;
    OwnArgumentValues values;
    Args expected;
};

class OwnArguments : public ::testing::TestWithParam<OwnCase> {};

TEST_P(OwnArguments, SplitFirstThenExpanded) {
    const auto& c = GetParam();
    Settings settings = EncoderSettings("lame");
    settings.UseOwnL3encArguments = true;
    settings.L3encArguments = c.text;
    EXPECT_EQ(EncoderOptions(settings, EncoderFamily::Lame, c.values), c.expected);
}

const OwnArgumentValues kTrack7{"The Artist", "The Album", 7, "Song Name"};

INSTANTIATE_TEST_SUITE_P(
    Cases, OwnArguments,
    ::testing::Values(
        OwnCase{
            "NumberAndPercent", "-br 128000 %3 100%%", kTrack7, {"-br", "128000", "07", "100%"}},
        OwnCase{"NamesStayWhole",
                "--ta %1 --tl %2 --tt %4",
                kTrack7,
                {"--ta", "The Artist", "--tl", "The Album", "--tt", "Song Name"}},
        OwnCase{"InsideAnArgument", "--tt=%3-%4", kTrack7, {"--tt=07-Song Name"}},
        OwnCase{
            "NoTrack", "--tn %3 --tt %4 x", {"A", "B", -1, "Name"}, {"--tn", "", "--tt", "", "x"}},
        OwnCase{"EmptyArtist", "--ta %1", {}, {"--ta", ""}},
        OwnCase{"OtherCharacter", "%x %", kTrack7, {"x", ""}},
        OwnCase{
            "QuotesGroup", "--tc \"ripped %1\" \"\"", kTrack7, {"--tc", "ripped The Artist", ""}},
        OwnCase{"EscapedBlankAndQuote", "a%\"b c% d", kTrack7, {"a\"b", "c d"}},
        OwnCase{"Blanks", "  -V   2\t-q 0  ", kTrack7, {"-V", "2", "-q", "0"}},
        OwnCase{"Nothing", "", kTrack7, {}}),
    [](const auto& info) { return info.param.name; });

struct CommandCase {
    const char* name;
    std::string encoder;
    EncodeKind kind;
    std::string destination;
    std::string path;
    Args expected;
};

class CommandLines : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandLines, ArgumentVectorOfEachFamilyAndKind) {
    const auto& c = GetParam();
    Settings settings = EncoderSettings(c.encoder);
    settings.DestinationDirectory = c.destination;
    EncodeRequest request;
    request.kind = c.kind;
    request.path = c.path;
    const EncoderJob job = BuildEncoderJob(settings, request);
    EXPECT_EQ(job.process.arguments, c.expected);
    EXPECT_EQ(job.process.workingDirectory, "/opt/mp3");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLines,
    ::testing::Values(
        CommandCase{
            "L3encRipped",
            "/opt/mp3/l3enc",
            EncodeKind::RippedTrack,
            "/rips",
            "",
            {"/opt/mp3/l3enc", "/rips/temp.wav", "/rips/temp.mp3", "-br", "112000", "-hq", "-crc"}},
        CommandCase{"L3encRippedRoot",
                    "/opt/mp3/l3enc",
                    EncodeKind::RippedTrack,
                    "/",
                    "",
                    {"/opt/mp3/l3enc", "/temp.wav", "/temp.mp3", "-br", "112000", "-hq", "-crc"}},
        CommandCase{"Mp3encRipped",
                    "/opt/mp3/mp3enc31.exe",
                    EncodeKind::RippedTrack,
                    "/rips",
                    "",
                    {"/opt/mp3/mp3enc31.exe", "-if", "/rips/temp.wav", "-of", "/rips/temp.mp3",
                     "-br", "112000", "-qual", "9", "-crc", "-v"}},
        CommandCase{"Mp3encRippedRoot",
                    "/opt/mp3/mp3enc31.exe",
                    EncodeKind::RippedTrack,
                    "/",
                    "",
                    {"/opt/mp3/mp3enc31.exe", "-if", "/temp.wav", "-of", "/temp.mp3", "-br",
                     "112000", "-qual", "9", "-crc", "-v"}},
        CommandCase{"LameRipped",
                    "/opt/mp3/lame",
                    EncodeKind::RippedTrack,
                    "/rips",
                    "",
                    {"/opt/mp3/lame", "/rips/temp.wav", "/rips/temp.mp3", "-b", "112", "-h", "-p"}},
        CommandCase{"L3encChosen",
                    "/opt/mp3/l3enc",
                    EncodeKind::ChosenFile,
                    "/rips",
                    "/home/u/My Song.wav",
                    {"/opt/mp3/l3enc", "/home/u/My Song.wav", "/rips/temp.mp3", "-br", "112000",
                     "-hq", "-crc"}},
        CommandCase{"Mp3encChosen",
                    "/opt/mp3/MP3ENC",
                    EncodeKind::ChosenFile,
                    "/rips",
                    "/home/u/a.wav",
                    {"/opt/mp3/MP3ENC", "-if", "/home/u/a.wav", "-of", "/rips/temp.mp3", "-br",
                     "112000", "-qual", "9", "-crc", "-v"}},
        CommandCase{"LameChosenRelativeDash",
                    "/opt/mp3/lame",
                    EncodeKind::ChosenFile,
                    "/rips",
                    "-a.wav",
                    {"/opt/mp3/lame", "./-a.wav", "/rips/temp.mp3", "-b", "112", "-h", "-p"}},
        CommandCase{"L3encRipAll",
                    "/opt/mp3/l3enc",
                    EncodeKind::RipAllTrack,
                    "/rips",
                    "/elsewhere/07 Song",
                    {"/opt/mp3/l3enc", "/rips/07 Song.wav", "/rips/temp.mp3", "-br", "112000",
                     "-hq", "-crc"}},
        CommandCase{"Mp3encRipAllRoot",
                    "/opt/mp3/mp3enc",
                    EncodeKind::RipAllTrack,
                    "/",
                    "07 Song",
                    {"/opt/mp3/mp3enc", "-if", "/07 Song.wav", "-of", "/temp.mp3", "-br", "112000",
                     "-qual", "9", "-crc", "-v"}},
        CommandCase{
            "LameLineIn",
            "/opt/mp3/lame",
            EncodeKind::LineInTrack,
            "/rips",
            "/rips/Track 01.wav",
            {"/opt/mp3/lame", "/rips/Track 01.wav", "/rips/temp.mp3", "-b", "112", "-h", "-p"}},
        CommandCase{"Mp3encLineIn",
                    "/opt/mp3/mp3enc",
                    EncodeKind::LineInTrack,
                    "/rips",
                    "Track 01.wav",
                    {"/opt/mp3/mp3enc", "-if", "/rips/Track 01.wav", "-of", "/rips/temp.mp3", "-br",
                     "112000", "-qual", "9", "-crc", "-v"}}),
    [](const auto& info) { return info.param.name; });

TEST(CommandLines, PerTrackDirectoriesKeepTheGivenPath) {
    Settings settings = EncoderSettings("/opt/mp3/l3enc");
    settings.ArtistAsDirectory = true;
    EncodeRequest request;
    request.kind = EncodeKind::RipAllTrack;
    request.path = "/rips/Artist/07 Song";
    EXPECT_EQ(BuildEncoderJob(settings, request).inputPath, "/rips/Artist/07 Song.wav");
}

TEST(CommandLines, OwnExtensionAndThePathsOfTheCompletion) {
    Settings settings = EncoderSettings("/opt/mp3/l3enc");
    settings.UseOwnExtension = true;
    settings.OwnExtension = "ogg";
    EncodeRequest request;
    request.kind = EncodeKind::ChosenFile;
    request.path = "/home/u/in/Song.wav";
    const EncoderJob job = BuildEncoderJob(settings, request);
    EXPECT_EQ(job.outputPath, "/rips/temp.ogg");
    EXPECT_EQ(job.besideInputPath, "/home/u/in/Song.ogg");
    EXPECT_EQ(job.targetPath, "/rips/Song.ogg");
    EXPECT_EQ(job.process.arguments[2], "/rips/temp.ogg");
}

TEST(CommandLines, OwnArgumentsReplaceTheSettingsOptions) {
    Settings settings = EncoderSettings("/opt/mp3/mp3enc");
    settings.UseOwnL3encArguments = true;
    settings.L3encArguments = "-br 128000 %3 100%%";
    EncodeRequest request;
    request.values.track = 7;
    EXPECT_EQ(BuildEncoderJob(settings, request).process.arguments,
              (Args{"/opt/mp3/mp3enc", "-if", "/rips/temp.wav", "-of", "/rips/temp.mp3", "-br",
                    "128000", "07", "100%", "-v"}));
}

TEST(EncoderOptionLabels, SettingsOrOwnArguments) {
    Settings settings = EncoderSettings("/opt/mp3/lame");
    settings.L3CRCFlag = false;
    EncoderOptionLabels labels = DescribeEncoderOptions(settings, {});
    EXPECT_EQ(labels.bitrate, "112000");
    EXPECT_EQ(labels.highQuality, "Yes");
    EXPECT_EQ(labels.crc, "No");
    EXPECT_EQ(labels.ownArguments, "");

    settings.UseOwnL3encArguments = true;
    settings.L3encArguments = "-V 2 --tn %3";
    labels = DescribeEncoderOptions(settings, kTrack7);
    EXPECT_EQ(labels.bitrate, "");
    EXPECT_EQ(labels.highQuality, "");
    EXPECT_EQ(labels.ownArguments, "-V 2 --tn 07");
}

}  // namespace
}  // namespace ps

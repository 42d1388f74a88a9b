#include "grab/output_store.h"

#include <gtest/gtest.h>

#include <ostream>

#include "grab/output_test_fixture.h"

namespace ps {
namespace {

using test::BandLive;
using test::OutputStore;
namespace fs = std::filesystem;

TEST_F(OutputStore, WaveGetsItsPlainName) {
    const StoreResult result = Wave(BandLive(), "audio");
    EXPECT_EQ(result.code, kStoredUnderPlainName);
    EXPECT_EQ(Relative(result.path), "Band - Intro.wav");
    EXPECT_EQ(Read(result.path), "audio");
    EXPECT_FALSE(fs::exists(Dest() / "temp.wav"));
}

struct CollisionCase {
    const char* label;
    int existing;  // "Band - Intro.wav" and the numbered names up to "-<existing-1>"
    int code;
    std::string stored;
};
void PrintTo(const CollisionCase& c, std::ostream* os) {
    *os << c.label;
}

class Collisions : public OutputStore, public ::testing::WithParamInterface<CollisionCase> {};

TEST_P(Collisions, TakeTheFirstFreeNumberAndKeepEveryExistingFile) {
    const auto& c = GetParam();
    for (int i = 0; i < c.existing; ++i) {
        const std::string name = i == 0 ? "Band - Intro" : "Band - Intro-" + std::to_string(i);
        Write(Dest() / (name + ".wav"), "old " + std::to_string(i));
    }
    const StoreResult result = Wave(BandLive(), "new");
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.path.empty() ? "" : Relative(result.path), c.stored);
    for (int i = 0; i < c.existing; ++i) {
        const std::string name = i == 0 ? "Band - Intro" : "Band - Intro-" + std::to_string(i);
        EXPECT_EQ(Read(Dest() / (name + ".wav")), "old " + std::to_string(i)) << name;
    }
    // Not stored: "temp.wav" stays for the grab job to report.
    EXPECT_EQ(fs::exists(Dest() / "temp.wav"), c.code == kNotStored);
}

INSTANTIATE_TEST_SUITE_P(Names, Collisions,
                         ::testing::Values(CollisionCase{"None", 0, 0, "Band - Intro.wav"},
                                           CollisionCase{"Plain", 1, 1, "Band - Intro-1.wav"},
                                           CollisionCase{"PlainAndOne", 2, 2, "Band - Intro-2.wav"},
                                           CollisionCase{"UpTo99", 100, 100,
                                                         "Band - Intro-100.wav"},
                                           CollisionCase{"UpTo100", 101, kNotStored, ""}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(OutputStore, GrabbingTwiceNumbersTheSecondCopy) {
    settings_.ArtistAsDirectory = settings_.AlbumAsDirectory = true;
    EXPECT_EQ(Relative(Wave(BandLive(), "first").path), "Band/Live/Band - Intro.wav");
    EXPECT_EQ(Relative(Compressed(BandLive(), "first").path), "Band/Live/Band - Intro.mp3");
    const StoreResult wave = Wave(BandLive(), "second");
    const StoreResult mp3 = Compressed(BandLive(), "second");
    EXPECT_EQ(wave.code, 1);
    EXPECT_EQ(Relative(wave.path), "Band/Live/Band - Intro-1.wav");
    EXPECT_EQ(mp3.code, 1);
    EXPECT_EQ(Relative(mp3.path), "Band/Live/Band - Intro-1.mp3");
    EXPECT_EQ(Read(Dest() / "Band/Live/Band - Intro.wav"), "first");
}

TEST_F(OutputStore, MissingTemporaryFileIsNotStored) {
    const StoreResult result = StoreWave(files_, settings_, BandLive(), "Band - Intro");
    EXPECT_EQ(result.code, kNotStored);
    EXPECT_TRUE(result.path.empty());
    EXPECT_FALSE(fs::exists(Dest() / "Band - Intro.wav"));
}

struct DirectoryCase {
    const char* label;
    bool artistDirectory, albumDirectory, subDirsOnlyForMp3;
    std::string artist, album;
    std::string wave, compressed;  // below the destination
};
void PrintTo(const DirectoryCase& c, std::ostream* os) {
    *os << c.label;
}

class Directories : public OutputStore, public ::testing::WithParamInterface<DirectoryCase> {};

TEST_P(Directories, HoldTheWaveAndTheCompressedFile) {
    const auto& c = GetParam();
    settings_.ArtistAsDirectory = c.artistDirectory;
    settings_.AlbumAsDirectory = c.albumDirectory;
    settings_.SubDirsOnlyForMP3 = c.subDirsOnlyForMp3;
    settings_.TrackNameAsFileName = false;
    settings_.TrackNumberAsFileName = true;
    NamingSources sources = BandLive();
    sources.artist = c.artist;
    sources.album = c.album;
    EXPECT_EQ(Relative(Wave(sources).path), c.wave);
    EXPECT_EQ(Relative(Compressed(sources).path), c.compressed);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, Directories,
    ::testing::Values(DirectoryCase{"None", false, false, false, "Band", "Live", "Band - 03.wav",
                                    "Band - 03.mp3"},
                      DirectoryCase{"Artist", true, false, false, "Band", "Live",
                                    "Band/Band - 03.wav", "Band/Band - 03.mp3"},
                      DirectoryCase{"ArtistAndAlbum", true, true, false, "Band", "Live",
                                    "Band/Live/Band - 03.wav", "Band/Live/Band - 03.mp3"},
                      DirectoryCase{"AlbumOnly", false, true, false, "Band", "Live",
                                    "Live/Band - 03.wav", "Live/Band - 03.mp3"},
                      DirectoryCase{"EmptyArtistMakesNoDirectory", true, true, false, "", "Live",
                                    "Live/03.wav", "Live/03.mp3"},
                      DirectoryCase{"EmptyAlbumMakesNoDirectory", true, true, false, "Band", "",
                                    "Band/Band - 03.wav", "Band/Band - 03.mp3"},
                      DirectoryCase{"SubDirsOnlyForMp3", true, true, true, "Band", "Live",
                                    "Band - 03.wav", "Band/Live/Band - 03.mp3"},
                      DirectoryCase{"Latin1Names", true, true, false, "Bj\xf6rk",
                                    "D\xe9"
                                    "but",
                                    "Bj\xc3\xb6rk/D\xc3\xa9"
                                    "but/Bj\xc3\xb6rk - 03.wav",
                                    "Bj\xc3\xb6rk/D\xc3\xa9"
                                    "but/Bj\xc3\xb6rk - 03.mp3"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(OutputStore, DirectoryThatCannotBeMadeIsLeftOut) {
    settings_.ArtistAsDirectory = settings_.AlbumAsDirectory = true;
    Write(Dest() / "Band", "a file, not a directory");
    const OutputDirectories made = MakeDirectories(files_, settings_, BandLive());
    EXPECT_FALSE(made.artistMade);
    EXPECT_TRUE(made.albumMade);
    EXPECT_EQ(Relative(Wave(BandLive()).path), "Live/Band - Intro.wav");
    EXPECT_EQ(Read(Dest() / "Band"), "a file, not a directory");
}

TEST(DirectoryPrefix, AddsOneSlashPerLevel) {
    OutputDirectories both{true, true, "Band", "Live"};
    OutputDirectories albumOnly{false, true, "", "Live"};
    EXPECT_EQ(DirectoryPrefix("/", both), "/Band/Live/");
    EXPECT_EQ(DirectoryPrefix("/", OutputDirectories{}), "/");
    EXPECT_EQ(DirectoryPrefix("/music", both), "/music/Band/Live/");
    EXPECT_EQ(DirectoryPrefix("/music/", albumOnly), "/music/Live/");
    EXPECT_EQ(DirectoryPrefix("/music", OutputDirectories{}), "/music/");
}

TEST(DestinationPath, EmptyDestinationIsTheCurrentDirectory) {
    Settings settings;
    settings.DestinationDirectory = "";
    EXPECT_EQ(DestinationPath(settings, "temp.wav"), "./temp.wav");
    settings.DestinationDirectory = "/";
    EXPECT_EQ(DestinationPath(settings, "temp.wav"), "/temp.wav");
}

struct ExtensionCase {
    const char* label;
    bool useOwnExtension;
    std::string ownExtension;
    bool internalCodec;
    std::string codec;
    std::string extension, temporaryFile;
};
void PrintTo(const ExtensionCase& c, std::ostream* os) {
    *os << c.label;
}

class Extensions : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(Extensions, FollowTheEncoderAndCodec) {
    const auto& c = GetParam();
    Settings settings;
    settings.UseOwnExtension = c.useOwnExtension;
    settings.OwnExtension = c.ownExtension;
    settings.InternalCodec = c.internalCodec;
    settings.WhatCodec = c.codec;
    const CompressedOutput output = CompressedOutputFor(settings);
    EXPECT_EQ(output.extension, c.extension);
    EXPECT_EQ(output.temporaryFile, c.temporaryFile);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Extensions,
    ::testing::Values(
        ExtensionCase{"Default", false, "ogg", false, "None", "mp3", "temp.mp3"},
        ExtensionCase{"OwnExtension", true, "ogg", false, "None", "ogg", "temp.ogg"},
        ExtensionCase{"OwnExtensionNotForCodecs", true, "ogg", true, "Lame", "mp3", "temp.mp3"},
        ExtensionCase{"QDesign", true, "ogg", true, "QDesign Music Codec 2", "mp2", "temp.mp3"},
        ExtensionCase{"QDesignOnlyAsCodec", true, "ogg", false, "QDesign Music Codec 2", "ogg",
                      "temp.ogg"},
        ExtensionCase{"WindowsMedia", false, "", true, "Microsoft Windows Media Audio V2", "wma",
                      "temp.wma"},
        ExtensionCase{"PcmOverridesWindowsMedia", false, "", true, "Microsoft Windows PCM Writer",
                      "wav", "temp.wma"},
        ExtensionCase{"Pcm", false, "", true, "Lame PCM", "wav", "temp.mp3"},
        ExtensionCase{"PcmNeedsTheSpace", false, "", true, "LPCM", "mp3", "temp.mp3"},
        ExtensionCase{"OwnWavDoesNotReplaceTheInput", true, "WAV", false, "", "WAV",
                      "temp-encoded.WAV"},
        ExtensionCase{"EmptyOwnExtension", true, "", false, "", "mp3", "temp.mp3"},
        ExtensionCase{"OwnExtensionOfDots", true, "..", false, "", "--", "temp.--"},
        ExtensionCase{"OwnExtensionWithSlash", true, "/../x", false, "", "-..-x", "temp.-..-x"},
        ExtensionCase{"OwnExtensionLatin1", true, "\xe9", false, "", "\xc3\xa9", "temp.\xc3\xa9"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(OutputStore, CompressedFileTakesItsExtension) {
    settings_.UseOwnExtension = true;
    settings_.OwnExtension = "ogg";
    const StoreResult result = Compressed(BandLive(), "vorbis");
    EXPECT_EQ(Relative(result.path), "Band - Intro.ogg");
    EXPECT_EQ(Read(result.path), "vorbis");
    EXPECT_FALSE(fs::exists(Dest() / "temp.ogg"));
}

}  // namespace
}  // namespace ps

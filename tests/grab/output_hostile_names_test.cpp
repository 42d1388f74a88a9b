#include <gtest/gtest.h>

#include <ostream>
#include <tuple>
#include <vector>

#include "audio/track_tag.h"
#include "grab/output_store.h"
#include "grab/output_test_fixture.h"

namespace ps {
namespace {

using test::BandLive;
using test::OutputStore;
namespace fs = std::filesystem;

std::string Repeat(const std::string& piece, std::size_t bytes) {
    std::string out;
    while (out.size() < bytes) {
        out += piece;
    }
    return out;
}

struct Hostile {
    const char* label;
    std::string text;
};
void PrintTo(const Hostile& h, std::ostream* os) {
    *os << h.label;
}

const std::vector<Hostile>& HostileNames() {
    static const std::vector<Hostile> names = {
        {"DotDot", ".."},
        {"Dot", "."},
        {"DotX", ".x"},
        {"Slash", "a/b"},
        {"OnlySlash", "/"},
        {"Absolute", "/etc/passwd"},
        {"UpAndOut", "../../outside"},
        {"BackslashUp", "..\\..\\outside"},
        {"Option", "-o x"},
        {"LongOption", "--info=x"},
        {"ControlCharacters", "\x01\x1f\x7f ctl\x85"},
        {"LineBreaks", "line\r\nbreak\n"},
        {"Utf8Text300Bytes", Repeat("\xc3\xbc", 300)},
        {"Latin1Text300Bytes", std::string(300, '\xe9')},
        {"Ascii300Bytes", std::string(300, 'x')},
    };
    return names;
}

enum class Role { Track, Artist, Album, Pattern };
constexpr const char* kRoleNames[] = {"Track", "Artist", "Album", "Pattern"};
void PrintTo(Role role, std::ostream* os) {
    *os << kRoleNames[static_cast<int>(role)];
}

// Every component below the destination is a name a directory may hold.
void ExpectSafeComponents(const std::string& relative) {
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = relative.find('/', start);
        const std::string part = relative.substr(start, slash - start);
        SCOPED_TRACE("component \"" + part + "\"");
        EXPECT_FALSE(part.empty());
        EXPECT_NE(part, ".");
        EXPECT_NE(part, "..");
        EXPECT_LE(part.size(), kMaxComponentBytes);
        for (std::size_t i = 0; i < part.size(); ++i) {
            const auto c = static_cast<unsigned char>(part[i]);
            EXPECT_FALSE(c < 0x20 || c == 0x7F) << "control character at " << i;
            if (c >= 0x80) {  // a two-byte sequence of a Latin-1 character, nothing else
                ASSERT_TRUE((c == 0xC2 || c == 0xC3) && i + 1 < part.size() &&
                            (static_cast<unsigned char>(part[i + 1]) & 0xC0) == 0x80)
                    << "bad UTF-8 at " << i;
                EXPECT_FALSE(c == 0xC2 && static_cast<unsigned char>(part[i + 1]) < 0xA0)
                    << "C1 control character at " << i;
                ++i;
            }
        }
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
}

class HostileNamesStore : public OutputStore,
                          public ::testing::WithParamInterface<std::tuple<Hostile, Role>> {
  protected:
    NamingSources Sources() {
        const auto& [hostile, role] = GetParam();
        NamingSources sources = BandLive();
        switch (role) {
            case Role::Track:
                sources.trackName = hostile.text;
                break;
            case Role::Artist:
                sources.artist = hostile.text;
                break;
            case Role::Album:
                sources.album = hostile.text;
                break;
            case Role::Pattern:
                settings_.AdvancedNaming = true;
                settings_.AdvancedNameString = hostile.text + "%4";
                sources.trackName = hostile.text;
                break;
        }
        return sources;
    }

    void ExpectStoredInside(const StoreResult& result, int code) {
        ASSERT_EQ(result.code, code);
        const std::string relative = Relative(result.path);
        SCOPED_TRACE(relative);
        ASSERT_EQ(relative.rfind("OUTSIDE", 0), std::string::npos);
        ExpectSafeComponents(relative);
        ASSERT_TRUE(fs::is_regular_file(result.path));
        const std::string canonical = fs::canonical(result.path).string();
        EXPECT_EQ(canonical.rfind(fs::canonical(Dest()).string() + "/", 0), 0u) << canonical;
    }
};

TEST_P(HostileNamesStore, StayInsideTheDestinationAndReplaceNothing) {
    settings_.ArtistAsDirectory = settings_.AlbumAsDirectory = true;
    settings_.AlbumAsFileName = settings_.TrackNumberAsFileName = true;
    const NamingSources sources = Sources();

    const StoreResult wave = Wave(sources, "wave 1");
    const StoreResult mp3 = Compressed(sources, "mp3 1");
    ExpectStoredInside(wave, 0);
    ExpectStoredInside(mp3, 0);
    // The same track again: both names are taken now.
    const StoreResult wave2 = Wave(sources, "wave 2");
    const StoreResult mp32 = Compressed(sources, "mp3 2");
    ExpectStoredInside(wave2, 1);
    ExpectStoredInside(mp32, 1);
    EXPECT_EQ(Read(wave.path), "wave 1");
    EXPECT_EQ(Read(mp3.path), "mp3 1");
    EXPECT_EQ(Read(wave2.path), "wave 2");
    EXPECT_EQ(Read(mp32.path), "mp3 2");

    // Nothing appeared or changed beside the destination.
    EXPECT_EQ(Read(root_ / "outside.wav"), "outside");
    for (const auto& entry : fs::directory_iterator(root_)) {
        EXPECT_TRUE(entry.path() == root_ / "outside.wav" || entry.path() == Dest())
            << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(Names, HostileNamesStore,
                         ::testing::Combine(::testing::ValuesIn(HostileNames()),
                                            ::testing::Values(Role::Track, Role::Artist,
                                                              Role::Album, Role::Pattern)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).label) +
                                    kRoleNames[static_cast<int>(std::get<1>(info.param))];
                         });

// A wave dropped later is encoded to the final name its tag block records; that must be
// the place the grab itself stores the compressed file.
struct TagCase {
    const char* label;
    std::string artist, album, track;
};
void PrintTo(const TagCase& c, std::ostream* os) {
    *os << c.label;
}

class TagBlockFinalName : public OutputStore, public ::testing::WithParamInterface<TagCase> {};

TEST_P(TagBlockFinalName, LeadsToTheSameFileAsTheGrab) {
    const auto& c = GetParam();
    settings_.ArtistAsDirectory = settings_.AlbumAsDirectory = true;
    NamingSources sources = BandLive(c.track);
    sources.artist = c.artist;
    sources.album = c.album;
    const std::string name = BuildFileName(settings_, sources);

    TrackTagFields fields;
    fields.artist = sources.artist;
    fields.album = sources.album;
    const std::string block = BuildTrackTag(fields, 0, name, TrackTagNamingOptions(settings_));
    const std::string finalName =
        block.substr(kTrackTagHeadSize, block.size() - kTrackTagHeadSize - 1);

    Write(root_ / "dropped.mp3", "dropped");
    FinalNameOptions options;
    options.destinationDirectory = Dest().string();
    ASSERT_TRUE(MoveToFinalName(files_, OutputKind::Mp3, (root_ / "dropped.mp3").string(),
                                finalName, options));

    const StoreResult grabbed = Compressed(sources, "grabbed");
    ASSERT_EQ(grabbed.code, 1);  // the dropped file holds the plain name
    const std::string plain = grabbed.path.substr(0, grabbed.path.size() - 6) + ".mp3";
    EXPECT_EQ(Read(plain), "dropped") << plain;
}

INSTANTIATE_TEST_SUITE_P(Names, TagBlockFinalName,
                         ::testing::Values(TagCase{"Plain", "Band", "Live", "Intro"},
                                           TagCase{"DotNames", "..", ".", ".."},
                                           TagCase{"Separators", "a/b", "c\\d", "e:f"},
                                           TagCase{"LineBreak", "x\ny", "Live", "t\tu"},
                                           TagCase{"Latin1", "Bj\xf6rk", "Homog\xe9nic",
                                                   "J\xf3ga"}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace ps

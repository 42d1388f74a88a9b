#include "app/program_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace ps {
namespace {

namespace fs = std::filesystem;

class ProgramDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("ps-progdir-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
        fs::create_directories(root_ / "home" / ".config");
    }
    void TearDown() override { fs::remove_all(root_); }

    ProgramLocationInputs inputs() const {
        ProgramLocationInputs in;
        in.executableDir = (root_ / "bin").string();
        in.home = (root_ / "home").string();
        return in;
    }

    fs::path root_;
};

TEST_F(ProgramDirectoryTest, ChoosesOverrideThenPortableThenConfigHome) {
    auto in = inputs();
    EXPECT_EQ(resolveProgramDirectory(in), (root_ / "home/.config/platterscoop").string());

    in.xdgConfigHome = (root_ / "xdg").string() + "/";
    EXPECT_EQ(resolveProgramDirectory(in), (root_ / "xdg/platterscoop").string());

    in.xdgConfigHome = "relative/ignored";
    EXPECT_EQ(resolveProgramDirectory(in), (root_ / "home/.config/platterscoop").string());

    std::ofstream(root_ / "bin" / "platterscoop.ini") << "[MAIN]\n";
    EXPECT_EQ(resolveProgramDirectory(in), (root_ / "bin").string());

    in.homeOverride = (root_ / "override").string() + "//";
    EXPECT_EQ(resolveProgramDirectory(in), (root_ / "override").string());
}

TEST_F(ProgramDirectoryTest, RootDirectoryGetsOneSeparator) {
    EXPECT_EQ(pathInDirectory("/", "platterscoop.ini"), "/platterscoop.ini");
    EXPECT_EQ(pathInDirectory("/home/u/.config/platterscoop", "cdplayer.ini"),
              "/home/u/.config/platterscoop/cdplayer.ini");
}

TEST_F(ProgramDirectoryTest, MusicDirectoryFromEnvironmentUserDirsOrHome) {
    auto in = inputs();
    EXPECT_EQ(defaultMusicDirectory(in), (root_ / "home/Music").string());

    std::ofstream(root_ / "home/.config/user-dirs.dirs")
        << "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_MUSIC_DIR=\"$HOME/Musik\"\n";
    EXPECT_EQ(defaultMusicDirectory(in), (root_ / "home/Musik").string());

    in.xdgMusicDir = "/srv/music/";
    EXPECT_EQ(defaultMusicDirectory(in), "/srv/music");
}

TEST_F(ProgramDirectoryTest, EnsureDirectoryCreatesParents) {
    const auto nested = root_ / "a" / "b" / "c";
    EXPECT_TRUE(ensureDirectory(nested.string()));
    EXPECT_TRUE(fs::is_directory(nested));
    std::ofstream(root_ / "file") << "x";
    EXPECT_FALSE(ensureDirectory((root_ / "file").string()));
}

}  // namespace
}  // namespace ps

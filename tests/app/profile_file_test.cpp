#include "app/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace ps {
namespace {

namespace fs = std::filesystem;

class ProfileFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("profile_file_test_" +
                std::to_string(::testing::UnitTest::GetInstance()->current_test_info()->line()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "test.ini").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, ec);
        fs::remove_all(dir_, ec);
    }

    void write(const std::string& content) const {
        std::ofstream out(path_, std::ios::binary);
        out << content;
    }
    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    int filesInDir() const {
        return static_cast<int>(std::distance(fs::directory_iterator(dir_), {}));
    }

    fs::path dir_;
    std::string path_;
};

TEST(ProfileEncodings, BooleansAndStrictIntegers) {
    struct Case {
        const char* text;
        bool boolean;
        int integer;
    };
    const Case cases[] = {
        {"True", true, 1},  {"TRUE", true, 1}, {"yes", true, 1},
        {"1", true, 1},     {"2", false, 2},   {"False", false, 0},
        {"on", false, 0},   {"Nix", false, 0}, {"", false, 0},
        {"-7", false, -7},  {"+5", false, 5},  {"12abc", false, 0},
        {"0x10", false, 0}, {" 3", false, 0},  {"99999999999", false, 0},
        {"+-1", false, 0},  {"-", false, 0},   {"2147483647", false, 2147483647},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(profileBool(c.text), c.boolean) << c.text;
        EXPECT_EQ(profileInt(c.text), c.integer) << c.text;
    }
    EXPECT_STREQ(profileBoolText(true), "True");
    EXPECT_STREQ(profileBoolText(false), "False");
}

TEST_F(ProfileFileTest, ReadsLikeThePlatformProfileFunctions) {
    const std::string original =
        ("Global=outside\r\n"
         "; comment=not a key\r\n"
         "[Main]\r\n"
         "  Alpha = one  \r\n"
         "alpha=second spelling\r\n"
         "Quoted=\" padded \"\r\n"
         "Single='x'\r\n"
         "Empty=\r\n"
         "[OTHER]\r\n"
         "Alpha=other\r\n"
         "[main]\r\n"
         "Late=in a second section of the same name\r\n");
    write(original);
    ProfileFile file(path_);
    file.setSection("MAIN");
    file.setKey("ALPHA");
    EXPECT_EQ(file.readText(), "one");  // first of duplicates, trimmed
    EXPECT_EQ(file.readText("main", "quoted"), " padded ");
    EXPECT_EQ(file.readText("Main", "Single"), "x");
    EXPECT_EQ(file.readText("Main", "Empty"), "");
    EXPECT_EQ(file.readText("Other", "alpha"), "other");
    EXPECT_EQ(file.readText("Main", "Global"), "Nix");
    EXPECT_EQ(file.readText("Main", "; comment"), "Nix");
    EXPECT_EQ(file.readText("Main", "Late"), "Nix");  // only the first [MAIN] counts
    EXPECT_EQ(file.readText("Main", "Missing", "fallback"), "fallback");
    EXPECT_EQ(file.readText("Nowhere", "Alpha"), "Nix");

    file.setKey("Missing");
    EXPECT_TRUE(file.readBool(true));
    EXPECT_EQ(file.readInt(42), 42);
    EXPECT_EQ(file.keys("MAIN"), (std::vector<std::string>{"Alpha", "Quoted", "Single", "Empty"}));

    // An untouched file is written back byte for byte.
    ASSERT_TRUE(file.save());
    EXPECT_EQ(contents(), original);
}

TEST_F(ProfileFileTest, MissingOrUnreadableFileReadsAsEmpty) {
    ProfileFile missing;
    EXPECT_FALSE(missing.load((dir_ / "absent.ini").string()));
    EXPECT_EQ(missing.readText("MAIN", "Key"), "Nix");

    ProfileFile directory;
    EXPECT_FALSE(directory.load(dir_.string()));
    EXPECT_EQ(directory.readText("MAIN", "Key", "d"), "d");
}

TEST_F(ProfileFileTest, WritesKeepOrderAndAppendToTheirSection) {
    write("; settings\n[MAIN]\nFirst=1\nSecond=2\n\n[OTHER]\nX=y\n");
    ProfileFile file(path_);
    file.setSection("main");
    file.setKey("SECOND");
    EXPECT_TRUE(file.writeInt(-20));
    file.setKey("Third");
    EXPECT_TRUE(file.writeBool(true));
    EXPECT_TRUE(file.writeText("New", "Key", "v"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(
        contents(),
        "; settings\n[MAIN]\nFirst=1\nSecond=-20\nThird=True\n\n[OTHER]\nX=y\n\n[New]\nKey=v\n");
}

TEST_F(ProfileFileTest, RejectsNamesTheFormatCannotHold) {
    ProfileFile file;
    EXPECT_FALSE(file.writeText("MAIN", "a=b", "v"));
    EXPECT_FALSE(file.writeText("MAIN", "[EVIL]", "v"));
    EXPECT_FALSE(file.writeText("MAIN", ";k", "v"));
    EXPECT_FALSE(file.writeText("MAIN", "", "v"));
    EXPECT_FALSE(file.writeText("MAIN", " k", "v"));
    EXPECT_FALSE(file.writeText("MAIN", "k\nX", "v"));
    EXPECT_FALSE(file.writeText("A]B", "k", "v"));
    EXPECT_FALSE(file.writeText("", "k", "v"));
    EXPECT_EQ(file.serialize(), "");
}

TEST_F(ProfileFileTest, ValuesAreAtMost255Characters) {
    const std::string longValue(300, 'v');
    write("[MAIN]\nLong=" + longValue + "\n");
    ProfileFile file(path_);
    EXPECT_EQ(file.readText("MAIN", "Long"), std::string(255, 'v'));
    EXPECT_EQ(file.readText("MAIN", "Missing", longValue).size(), 255u);
    ASSERT_TRUE(file.writeText("MAIN", "Written", longValue));
    ASSERT_TRUE(file.save());
    EXPECT_NE(contents().find("Written=" + std::string(255, 'v') + "\n"), std::string::npos);
}

TEST_F(ProfileFileTest, ALongLineStaysOneLine) {
    // The tail of a 10,000-character line looks like a section and a key; neither may be
    // read as one.
    std::string line =
        "Long=" + std::string(5000, 'a') + "\r[EVIL]" + std::string(1000, 'b') + "Injected=1";
    line += std::string(10000 - line.size(), 'c');
    write("[MAIN]\n" + line + "\nAfter=ok\n");
    ProfileFile file(path_);
    EXPECT_EQ(file.readText("MAIN", "Long").size(), 255u);
    EXPECT_FALSE(file.hasKey("MAIN", "Injected"));
    EXPECT_FALSE(file.hasKey("EVIL", "Injected"));
    EXPECT_EQ(file.readText("MAIN", "After"), "ok");
}

TEST_F(ProfileFileTest, NulBytesEndTheirLineOnly) {
    const char raw[] = "[MAIN]\nVal=ab\0cd\nKe\0y=1\nGood=2\n[SE\0C]\nIn=sec\n";
    write(std::string(raw, sizeof raw - 1));
    ProfileFile file(path_);
    EXPECT_EQ(file.readText("MAIN", "Val"), "ab");
    EXPECT_FALSE(file.hasKey("MAIN", "Ke"));
    EXPECT_FALSE(file.hasKey("MAIN", "Key"));
    EXPECT_EQ(file.readText("MAIN", "Good"), "2");
    EXPECT_EQ(file.readText("SE", "In"), "sec");

    ASSERT_TRUE(file.writeText("MAIN", "Written", std::string("x\0y", 3)));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(contents().find('\0'), std::string::npos);
    EXPECT_EQ(ProfileFile(path_).readText("MAIN", "Written"), "x y");
}

TEST_F(ProfileFileTest, VeryLongKeysWork) {
    const std::string key(5000, 'K');
    write("[MAIN]\n" + key + "=long key\nNext=1\n");
    ProfileFile file(path_);
    EXPECT_EQ(file.readText("MAIN", key), "long key");
    EXPECT_EQ(file.readText("MAIN", std::string(4999, 'K')), "Nix");
    ASSERT_TRUE(file.writeText("MAIN", std::string(5000, 'k'), "changed"));
    ASSERT_TRUE(file.save());
    ProfileFile again(path_);
    EXPECT_EQ(again.readText("MAIN", key), "changed");
    EXPECT_EQ(again.readText("MAIN", "Next"), "1");
}

TEST_F(ProfileFileTest, LineBreaksInValuesCannotStartNewLines) {
    ProfileFile file(path_);
    ASSERT_TRUE(file.writeText("MAIN", "Comment", "first\n[EVIL]\nkey=x"));
    ASSERT_TRUE(file.writeText("MAIN", "Windows", "a\r\nb\rc"));
    ASSERT_TRUE(file.save());

    ProfileFile again(path_);
    EXPECT_EQ(again.readText("MAIN", "Comment"), "first [EVIL] key=x");
    EXPECT_EQ(again.readText("MAIN", "Windows"), "a b c");
    EXPECT_FALSE(again.hasKey("MAIN", "key"));
    EXPECT_FALSE(again.hasKey("EVIL", "key"));
    EXPECT_EQ(again.keys("EVIL").size(), 0u);
    EXPECT_EQ(again.keys("MAIN"), (std::vector<std::string>{"Comment", "Windows"}));
}

TEST_F(ProfileFileTest, BlanksAndQuotesSurviveARoundTrip) {
    const std::string values[] = {
        "  leading", "trailing\t", "\"quoted\"", "'single'", "\"", "mid \"dle\" quote", ""};
    ProfileFile file(path_);
    for (std::size_t i = 0; i < std::size(values); ++i) {
        ASSERT_TRUE(file.writeText("MAIN", "K" + std::to_string(i), values[i]));
    }
    ASSERT_TRUE(file.save());
    ProfileFile again(path_);
    for (std::size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(again.readText("MAIN", "K" + std::to_string(i)), values[i]) << i;
    }
}

TEST_F(ProfileFileTest, WriteThroughChangesOnlyThatKey) {
    write("[MAIN]\nA=1\nB=2\n");
    ProfileFile file(path_);
    // Someone else changes the file after it was loaded; that change must stay.
    write("[MAIN]\nA=1\nB=changed elsewhere\n");
    file.setSection("MAIN");
    file.setKey("A");
    ASSERT_TRUE(file.writeTextThrough("9"));
    EXPECT_EQ(contents(), "[MAIN]\nA=9\nB=changed elsewhere\n");
    EXPECT_EQ(file.readText(), "9");

    ASSERT_TRUE(ProfileFile::writeThrough(path_, "Extra", "C", "3"));
    EXPECT_EQ(contents(), "[MAIN]\nA=9\nB=changed elsewhere\n\n[Extra]\nC=3\n");
    EXPECT_EQ(filesInDir(), 1);  // no temporary file left behind
}

TEST_F(ProfileFileTest, FailedSaveLeavesTheOldFileIntact) {
    write("[MAIN]\nKey=old\n");
    ProfileFile file(path_);
    ASSERT_TRUE(file.writeText("MAIN", "Key", "new"));

    EXPECT_FALSE(file.saveAs((dir_ / "no such dir" / "x.ini").string()));

    // The target is a directory: the rename fails and the temporary file goes.
    fs::create_directory(dir_ / "taken.ini");
    fs::create_directory(dir_ / "taken.ini" / "inside");
    EXPECT_FALSE(file.saveAs((dir_ / "taken.ini").string()));
    EXPECT_EQ(filesInDir(), 2);
    fs::remove_all(dir_ / "taken.ini");

    EXPECT_EQ(contents(), "[MAIN]\nKey=old\n");

    // A directory the program may not write to; a user with rights that ignore directory
    // permissions (root) can still write there, and then the save simply succeeds.
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    const bool stillWritable = std::ofstream(dir_ / "probe").is_open();
    fs::remove(dir_ / "probe");
    const bool saved = file.save();
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(saved, stillWritable);
    EXPECT_EQ(contents(), stillWritable ? "[MAIN]\nKey=new\n" : "[MAIN]\nKey=old\n");
    EXPECT_EQ(filesInDir(), 1);
}

TEST_F(ProfileFileTest, SaveKeepsPermissionsAndWritesThroughALink) {
    write("[MAIN]\nKey=old\n");
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path link = dir_ / "link.ini";
    fs::create_symlink(path_, link);
    ProfileFile file(link.string());
    ASSERT_TRUE(file.writeText("MAIN", "Key", "new"));
    ASSERT_TRUE(file.save());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contents(), "[MAIN]\nKey=new\n");
    EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace ps

#include "i18n/character_set.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(CharacterSet, NamesGiveTheirCodes) {
    EXPECT_EQ(characterSetNames().size(), 18u);
    for (const auto& entry : characterSetNames()) {
        EXPECT_EQ(characterSetCode(entry.name), entry.code) << entry.name;
    }
    EXPECT_EQ(characterSetCode("RUSSIAN_CHARSET"), 204);
    EXPECT_EQ(characterSetCode("EASTEUROPE_CHARSET and more"), 238);
    EXPECT_EQ(characterSetCode("russian_charset"), 1);
    EXPECT_EQ(characterSetCode(" RUSSIAN_CHARSET"), 1);
    EXPECT_EQ(characterSetCode("RUSSIAN"), 1);
    EXPECT_EQ(characterSetCode(""), 1);
}

TEST(CharacterSet, SingleByteTextsBecomeUtf8) {
    struct Case {
        std::uint8_t set;
        const char* in;
        const char* utf8;
    };
    const Case cases[] = {
        {0, "Caf\xe9 \x80", "Caf\xc3\xa9 \xe2\x82\xac"},
        {1, "\x93quoted\x94", "\xe2\x80\x9cquoted\xe2\x80\x9d"},
        {204, "\xd4\xe0\xe9\xeb", "\xd0\xa4\xd0\xb0\xd0\xb9\xd0\xbb"},
        {238, "\x8a\xe8", "\xc5\xa0\xc4\x8d"},
        {161, "\xc1\xe1", "\xce\x91\xce\xb1"},
        {162, "\xd0\xfd", "\xc4\x9e\xc4\xb1"},
        {186, "\xc0\xe0", "\xc4\x84\xc4\x85"},
        {177, "\xe0", "\xd7\x90"},
        {1, "\x81", "\xef\xbf\xbd"},
        {0, "one\r\ntwo", "one\ntwo"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textToUtf8(c.in, c.set), c.utf8) << int(c.set);
    }
}

TEST(CharacterSet, MultiByteSetsPassThrough) {
    for (const std::uint8_t set : {128, 129, 130, 134, 136}) {
        EXPECT_FALSE(decodesCharacterSet(set));
        EXPECT_EQ(textToUtf8("\x83\x74\x83\x40\x83\x43\x83\x8b", set),
                  "\x83\x74\x83\x40\x83\x43\x83\x8b");
    }
    EXPECT_EQ(codePageOf(128), 932);
    EXPECT_EQ(codePageOf(204), 1251);
    EXPECT_EQ(codePageOf(1), 1252);
    EXPECT_TRUE(decodesCharacterSet(204));
}

}  // namespace
}  // namespace ps

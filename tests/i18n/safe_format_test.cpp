#include "i18n/safe_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "i18n/text_table.h"

namespace ps {
namespace {

struct ChoiceCase {
    const char* name;
    const char* translated;
    const char* english;
    bool translationUsed;
};

class FormatChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(FormatChoice, UsesTheTranslationOnlyWhenItTakesTheSameArguments) {
    EXPECT_EQ(conversionsMatch(GetParam().translated, GetParam().english),
              GetParam().translationUsed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatChoice,
    ::testing::Values(
        ChoiceCase{"Same", "%d Titel, Spielzeit: %s", "%d Tracks,  Playtime: %s", true},
        ChoiceCase{"FlagsWidthPrecisionDiffer", "Zeit: %-3d:%2d:%.2d", "%02d:%02d:%02d", true},
        ChoiceCase{"FloatPrecisionDiffers", "%.1f MB / %8.3f MB", "%.02f Mb, free: %.02f Mb", true},
        ChoiceCase{"SignedSpellings", "%i", "%d", true},
        ChoiceCase{"HexCase", "%08lx", " %08lX", true},
        ChoiceCase{"PercentIsNoConversion", "%d%% bis %d%%", "%d%% or %d%%", true},
        ChoiceCase{"NoConversionsEither", "Fertig", "Done", true},
        ChoiceCase{"StringForInt", "%s Titel, Spielzeit: %s", "%d Tracks,  Playtime: %s", false},
        ChoiceCase{"SwappedOrder", "Spielzeit %s, %d Titel", "%d Tracks,  Playtime: %s", false},
        ChoiceCase{"TooMany", "%d %s %s", "%d %s", false},
        ChoiceCase{"TooFew", "%d Titel", "%d Tracks,  Playtime: %s", false},
        ChoiceCase{"WritesThroughN", "%d%n %s", "%d %s", false},
        ChoiceCase{"TrailingPercent", "%d Titel %", "%d Tracks", false},
        ChoiceCase{"UnknownConversion", "%d %y", "%d %d", false},
        ChoiceCase{"LengthDiffers", "%08X", "%08lX", false},
        ChoiceCase{"StarWidthTakesAnArgument", "%*d", "%d %d", false},
        ChoiceCase{"WideString", "%ls", "%s", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct RenderCase {
    const char* name;
    const char* format;
    std::vector<FormatArg> args;
    std::string expected;
};

class FormatRender : public ::testing::TestWithParam<RenderCase> {};

TEST_P(FormatRender, PrintsEachArgumentAsItsConversionExpects) {
    EXPECT_EQ(formatChecked(GetParam().format, GetParam().args), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatRender,
    ::testing::Values(
        RenderCase{
            "Status", "%d Tracks,  Playtime: %s", {12, "47:11"}, "12 Tracks,  Playtime: 47:11"},
        RenderCase{
            "Time", "Total time left: %02d:%02d:%02d", {1, 2, 3}, "Total time left: 01:02:03"},
        RenderCase{"Floats", "%.02f Mb", {12.345}, "12.35 Mb"},
        RenderCase{"Hex", " %08lX", {0xBEEFu}, " 0000BEEF"},
        RenderCase{"Percent", "%d%%", {98}, "98%"},
        RenderCase{"StdString", "[%5s]", {std::string("ab")}, "[   ab]"},
        RenderCase{"MissingArgumentPrintsNothing", "%d and %s", {7}, "7 and "},
        RenderCase{"ExtraArgumentsIgnored", "%d", {1, 2, "x"}, "1"},
        RenderCase{"NumberForString", "%s", {42}, "42"},
        RenderCase{"StringForNumber", "%d", {"x"}, "0"},
        RenderCase{"FloatForInt", "%lld|%d", {1e300, -2.7}, "9223372036854775807|-2"},
        RenderCase{"NarrowedToItsLength", "%hhd", {300}, "44"},
        RenderCase{"TrailingPercentLiteral", "100%", {}, "100%"},
        RenderCase{"NIsNeverWritten", "a%nb", {5}, "a%nb"},
        RenderCase{"UndefinedFlagsDropped", "[%#5s|%05s|%+u]", {"ab", "cd", 3u}, "[   ab|   cd|3]"},
        RenderCase{"PrecisionOnCharDropped", "%.3c", {'Q'}, "Q"},
        RenderCase{"StarWidth", "[%*d]", {4, 7}, "[   7]"},
        RenderCase{"NegativeStarWidthIgnored", "[%*d]", {-4, 7}, "[7]"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatRender, HugeWidthsAreCapped) {
    const std::vector<FormatArg> args = {1, "x"};
    const std::string out = formatChecked("%99999999999999999999d%.99999999999s", args);
    EXPECT_LE(out.size(), 1024u + 1u);
    EXPECT_EQ(out.back(), 'x');
}

TEST(TextTableFormat, FallsBackToEnglishForAMismatchedTranslation) {
    TextTable table;
    table.loadFromData("TracksStatus=%d Titel, Spielzeit: %s\r\n");
    EXPECT_EQ(table.format("TracksStatus", 12, "47:11"), "12 Titel, Spielzeit: 47:11");

    table.loadFromData("TracksStatus=%s Titel, Spielzeit: %d %n\r\n");
    EXPECT_EQ(table.format("TracksStatus", 12, "47:11"), "12 Tracks,  Playtime: 47:11");

    table.loadFromData("DiskNeededStatus=Platte: %.1f MB n\xf6tig, %.1f MB frei\r\n");
    EXPECT_EQ(table.format(textSlotOf("DiskNeededStatus"), 1.25, 2.5),
              "Platte: 1.2 MB n\xf6tig, 2.5 MB frei");
}

TEST(TextTableFormat, SecondSlotOfADoubleKeyFormatsAgainstItsOwnEnglish) {
    TextTable table;
    table.loadFromData(
        "ShutDownLineIn=Herunterfahren\r\nCopiedOKLineIn=ok\r\n"
        "ShutDownLineIn=Herunterfahren in %d Sekunden.\r\n");
    EXPECT_EQ(table.format(textSlotOf("ShutDownLineIn", 2), 9), "Herunterfahren in 9 Sekunden.");
}

}  // namespace
}  // namespace ps

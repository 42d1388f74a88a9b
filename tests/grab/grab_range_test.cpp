#include <gtest/gtest.h>

#include "grab/grab_range.h"

namespace ps {
namespace {

struct RangeCase {
    const char* name;
    std::int32_t start, end;
    bool lastTrack;
    std::int32_t discLast;
    int startOffset, endOffset;
    bool shorten;
    bool partial;
    int partialStart, partialLength;
    std::int32_t first, last;
    bool fadeIn, fadeOut;
};

class TrackCopyRanges : public ::testing::TestWithParam<RangeCase> {};

TEST_P(TrackCopyRanges, OffsetsShorteningDiscEndAndExcerpts) {
    const RangeCase& c = GetParam();
    Settings settings;
    settings.StartOffset = c.startOffset;
    settings.EndOffset = c.endOffset;
    settings.ShortenLastTrack = c.shorten;
    settings.PartialRips = c.partial;
    settings.PartialStart = c.partialStart;
    settings.PartialLength = c.partialLength;
    settings.PartialFadeIn = settings.PartialFadeOut = true;
    const CopyRange range = TrackCopyRange(settings, {c.start, c.end, c.lastTrack, c.discLast});
    EXPECT_EQ(range.first, c.first);
    EXPECT_EQ(range.last, c.last);
    EXPECT_EQ(range.fadeIn, c.fadeIn);
    EXPECT_EQ(range.fadeOut, c.fadeOut);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TrackCopyRanges,
    ::testing::Values(RangeCase{"WholeTrack", 1000, 4999, false, 20000, 0, 0, true, false, 30, 30,
                                1000, 4999, false, false},
                      RangeCase{"Offsets", 1000, 4999, false, 20000, -20, 30, true, false, 30, 30,
                                980, 5029, false, false},
                      RangeCase{"NegativeStartRaisedToTrackStart", 0, 4999, false, 20000, -20, 0,
                                true, false, 30, 30, 0, 4999, false, false},
                      RangeCase{"LastTrackShortened", 15000, 20000, true, 20000, 0, 0, true, false,
                                30, 30, 15000, 19990, false, false},
                      RangeCase{"LastTrackNotShortened", 15000, 20000, true, 20000, 0, 0, false,
                                false, 30, 30, 15000, 20000, false, false},
                      RangeCase{"EndCutToTheDisc", 15000, 20000, true, 20000, 0, 50, false, false,
                                30, 30, 15000, 20000, false, false},
                      // A 3-minute track gives seconds 30 to 60 with both fades.
                      RangeCase{"ExcerptInside", 0, 13499, false, 20000, 0, 0, true, true, 30, 30,
                                2250, 4499, true, true},
                      // A 40-second track gives its last 30 seconds and only a fade-in.
                      RangeCase{"ExcerptFromTheEnd", 0, 2999, false, 20000, 0, 0, true, true, 30,
                                30, 750, 2999, true, false},
                      // A track of exactly the excerpt's length is copied whole and without fades.
                      RangeCase{"TrackOfExcerptLength", 0, 2249, false, 20000, 0, 0, true, true, 30,
                                30, 0, 2249, false, false},
                      RangeCase{"ExcerptOfTheShortenedLastTrack", 0, 13499, true, 13499, 0, 0, true,
                                true, 30, 30, 2250, 4499, true, true},
                      RangeCase{"ExcerptWithOffsets", 1000, 14499, false, 20000, 10, 10, true, true,
                                30, 30, 3260, 5509, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SilenceLimit, TenthsTimesSevenAndAHalfOrNeverTrimming) {
    EXPECT_EQ(SilenceLimit(true, 20), 150);
    EXPECT_EQ(SilenceLimit(true, 5), 37);
    EXPECT_EQ(SilenceLimit(true, 0), 0);
    EXPECT_EQ(SilenceLimit(false, 20), 3000);
}

}  // namespace
}  // namespace ps

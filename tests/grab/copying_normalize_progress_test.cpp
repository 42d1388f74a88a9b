#include "grab/copying_normalize_progress.h"

#include <gtest/gtest.h>

#include "i18n/text_table.h"

namespace ps {
namespace {

TEST(CopyingNormalizeProgress, FillsTheCopyingWindowAndItsTimeLeftOnlyFalls) {
    TextTable texts;
    AbortFlags flags;
    CopyingWindow window(texts, flags);
    CopyingNormalizeProgress progress(window);
    progress.stage(NormalizeProgress::Stage::Normalizing, "temp.wav", 1, 1);

    progress.level(16384);
    EXPECT_EQ(window.peak, "50%");
    progress.level(32768);
    EXPECT_EQ(window.peak, "100%");

    progress.progress(10, 1000);  // 9 s left
    EXPECT_EQ(window.percent, 10);
    EXPECT_EQ(window.elapsed, "0:01");
    EXPECT_EQ(window.timeLeft, "0:09");
    progress.progress(20, 1200);  // too soon after the last estimate
    EXPECT_EQ(window.timeLeft, "0:09");
    progress.progress(25, 6000);  // 18 s: higher than shown, so not shown
    EXPECT_EQ(window.timeLeft, "0:09");
    EXPECT_EQ(window.elapsed, "0:06");
    progress.progress(50, 7000);  // 7 s
    EXPECT_EQ(window.timeLeft, "0:07");

    NormalizeStatistics statistics;
    statistics.oldAverage = 41.256;
    progress.newValues(statistics);
    EXPECT_EQ(window.statusLine, "Average was 41.26%");

    EXPECT_FALSE(progress.stopRequested());
    flags.track = true;
    EXPECT_TRUE(progress.stopRequested());
}

}  // namespace
}  // namespace ps

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cdaccess/copying_window.h"
#include "cdaccess/extraction_progress.h"
#include "i18n/text_table.h"
#include "support/fake_clock.h"

namespace ps {
namespace {

TEST(CopyingWindow, MeterSegments) {
    struct Case {
        int level;
        MeterStates states;
    };
    for (const Case& c :
         {Case{0, {0, 0, 0, 0}}, Case{8192, {10, 0, 0, 0}}, Case{16384, {10, 10, 0, 0}},
          Case{20000, {10, 10, 4, 0}}, Case{32767, {10, 10, 10, 9}}}) {
        EXPECT_EQ(MeterSegments(c.level), c.states) << c.level;
    }
}

TEST(CopyingWindow, SynchIndicatorStates) {
    struct Case {
        int offset;
        int scale;
        int state;
    };
    // -40 at scale 2 passes m > 0 and m > 32 but not m > 400: level 2.
    for (const Case& c :
         {Case{0, 2, 0}, Case{-40, 2, 2}, Case{40, 2, 9}, Case{-1, 3, 15}, Case{4, 1, 8},
          Case{-4, 1, 1}, Case{1801, 1, 14}, Case{-3000, 2, 6}, Case{-5000, 2, 7}}) {
        EXPECT_EQ(SynchIndicatorState(c.offset, c.scale), c.state) << c.offset << "/" << c.scale;
    }
}

TEST(CopyingWindow, MeterRedrawsOnlyChangedSegments) {
    TextTable texts;
    AbortFlags flags;
    CopyingWindow window(texts, flags);
    window.UpdateMeter(16384);
    EXPECT_EQ(window.meterRedraws, 2);
    window.UpdateMeter(16384);
    EXPECT_EQ(window.meterRedraws, 2);
    window.UpdateMeter(20000);
    EXPECT_EQ(window.meterRedraws, 3);
    EXPECT_EQ(window.meter, (MeterStates{10, 10, 4, 0}));
}

TEST(CopyingWindow, ButtonsAndFlags) {
    TextTable texts;
    AbortFlags flags;
    CopyingWindow window(texts, flags);
    EXPECT_EQ(window.skipButton, "&Skip this track");
    EXPECT_EQ(window.abortAllButton, "&Abort all         ");
    window.SkipClick();
    EXPECT_TRUE(flags.track);
    EXPECT_FALSE(flags.all);
    window.showCopying();
    EXPECT_FALSE(flags.track);
    EXPECT_TRUE(window.visible());
    window.AbortAllClick();
    EXPECT_TRUE(flags.track && flags.all);
    window.showCopying();
    window.Close();
    EXPECT_TRUE(flags.track && flags.all);
    EXPECT_FALSE(window.visible());
}

TEST(CopyingWindow, TimeTexts) {
    EXPECT_EQ(ElapsedText(61'500), "1:01");
    EXPECT_EQ(ElapsedText(3'725'000), "2:05");  // minutes modulo 60
    EXPECT_EQ(TimeLeftText(62), "1:02");
    EXPECT_EQ(TimeLeftText(3600 + 62), "01:01:02");
}

// Records how often each field was written.
struct RecordingView final : CopyingProgress {
    AbortFlags flags;
    std::vector<std::string> timeLeft, speed, status, synch;
    std::vector<int> indicator, meter;
    std::string discWrite, reading, peak;
    int percent = -1;

    AbortFlags& abortFlags() override { return flags; }
    void showCopying() override {}
    void setPercent(int p) override { percent = p; }
    void setElapsed(const std::string&) override {}
    void setTimeLeft(const std::string& t) override { timeLeft.push_back(t); }
    void setSpeedLine(const std::string& t) override { speed.push_back(t); }
    void setReadingSector(const std::string& t) override { reading = t; }
    void setDiscWrite(const std::string& t) override { discWrite = t; }
    void setPeak(const std::string& t) override { peak = t; }
    void setSynchLine(const std::string& t) override { synch.push_back(t); }
    void setStatusLine(const std::string& t) override { status.push_back(t); }
    void setSynchIndicator(int s) override { indicator.push_back(s); }
    void UpdateMeter(int level) override { meter.push_back(level); }
    void UpdateSynch(int offset, int scale) override {
        indicator.push_back(SynchIndicatorState(offset, scale));
    }
    void setSkipButton(const std::string&) override {}
    void setAbortAllButton(const std::string&) override {}
};

struct ReportRig {
    test::FakeClock clock;
    TextTable texts;
    RecordingView view;
    ExtractionProgressReport report{clock, texts, view};
    ProgressInput in;
    ReportRig() {
        in.start = 1000;
        in.end = 1000 + 75 * 600 - 1;
        in.delivered = 1000;
        report.reset();
        report.report(ProgressValue::start(), in);
    }
    void block(std::int64_t ms, std::int32_t delivered,
               ProgressValue value = ProgressValue::burst()) {
        clock.advance(ms);
        in.delivered = delivered;
        report.report(value, in);
    }
};

TEST(ExtractionProgress, TimeLeftIsNotRewrittenWhenItRisesByOneSecond) {
    ReportRig rig;
    rig.in.cdSpeed = 100;  // without a measured speed the time left counts at 1x
    rig.block(0, 1000);    // the speed baseline
    rig.in.end = 1000 + 61 * 75 - 1;
    rig.block(400, 1000);  // l not above 499 ms: nothing yet
    EXPECT_TRUE(rig.view.timeLeft.empty());
    rig.block(200, 1000);
    ASSERT_EQ(rig.view.timeLeft.size(), 1u);
    EXPECT_EQ(rig.view.timeLeft.back(), "1:01");
    rig.in.end += 75;  // 62 s
    rig.block(100, 1000);
    EXPECT_EQ(rig.view.timeLeft.size(), 1u);
    rig.in.end += 75;  // 63 s
    rig.block(100, 1000);
    ASSERT_EQ(rig.view.timeLeft.size(), 2u);
    EXPECT_EQ(rig.view.timeLeft.back(), "1:03");
}

TEST(ExtractionProgress, SpeedLineRewriteRule) {
    ReportRig rig;
    rig.block(0, 1026);  // baseline
    rig.block(1000, 1026 + 750);
    ASSERT_EQ(rig.view.speed.size(), 1u);
    EXPECT_EQ(rig.view.speed.back(), "Current CD read speed: 10.00x");
    rig.block(1000, 1026 + 1500 + 7);  // +0.035 (about): written
    EXPECT_EQ(rig.view.speed.size(), 2u);
    rig.block(1000, 1026 + 2250 + 9);  // -0.02: not written
    EXPECT_EQ(rig.view.speed.size(), 2u);
    rig.block(1001, 1026 + 3000 + 12);  // more than 1000 ms since written
    EXPECT_EQ(rig.view.speed.size(), 3u);
    rig.in.encodingWhileRipping = true;
    rig.block(1500, 1026 + 4500);
    EXPECT_EQ(rig.view.speed.back().rfind("Current read and encode speed: ", 0), 0u);
}

TEST(ExtractionProgress, PercentSectorsAndMegabytes) {
    ReportRig rig;
    rig.in.skip = 30;
    EXPECT_EQ(rig.view.discWrite, "0.00 Mbytes");  // negative before the skip is read
    rig.block(10, 1000 + 22500);
    EXPECT_EQ(rig.view.percent, 50);
    EXPECT_EQ(rig.view.reading, "22500");
    EXPECT_EQ(rig.view.discWrite, "50.40 Mbytes");
}

TEST(ExtractionProgress, SynchronisationTexts) {
    ReportRig rig;
    rig.in.overlap = 2;
    ASSERT_FALSE(rig.view.status.empty());
    EXPECT_EQ(rig.view.status.back(), "Sync status: Never lost");
    rig.block(10, 1026, ProgressValue::matched(-40));
    EXPECT_EQ(rig.view.synch.back(), "Synchronization = -40");
    EXPECT_EQ(rig.view.indicator.back(), 2);
    rig.in.lostSynchCount = 1;
    rig.block(10, 1052, ProgressValue::lost());
    EXPECT_EQ(rig.view.synch.back(), "Synchronization = Lost!!!");
    EXPECT_EQ(rig.view.indicator.back(), 15);
    EXPECT_EQ(rig.view.status.back(), "Sync status: Lost 1 time");
    rig.in.lostSynchCount = 3;
    rig.block(10, 1078, ProgressValue::lost());
    EXPECT_EQ(rig.view.status.back(), "Sync status: Lost 3 times");
}

TEST(ExtractionProgress, MeterPeakAndSpeedProblemsEvery200Ms) {
    ReportRig rig;
    rig.in.burst = true;
    rig.in.trackPeak = 16384;
    rig.in.trackLow = -20000;
    rig.in.slowEvents = 4;
    rig.in.bufferIndicator = 7;
    const std::size_t meters = rig.view.meter.size();
    rig.in.blockPeak = 12000;
    rig.block(50, 1026);
    rig.in.blockPeak = 9000;
    rig.block(50, 1052);
    EXPECT_EQ(rig.view.meter.size(), meters);  // within 200 ms of the last update
    rig.in.blockPeak = 3000;
    rig.block(150, 1078);
    ASSERT_EQ(rig.view.meter.size(), meters + 1);
    EXPECT_EQ(rig.view.meter.back(), 12000);  // the highest block peak since the last one
    EXPECT_EQ(rig.view.peak, "61%");
    EXPECT_EQ(rig.view.status.back(), "Possible Speed Problems: 4");
    EXPECT_EQ(rig.view.indicator.back(), 7);
    EXPECT_TRUE(rig.report.meterUpdated());
}

}  // namespace
}  // namespace ps

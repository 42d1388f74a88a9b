#include "grab/grab_normalizer_adapter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "app/settings.h"
#include "audio/audio_fixtures.h"
#include "support/grab_doubles.h"

namespace ps {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

// 30 sectors of a tone whose peak is 16384 (50 % of full scale).
test::Bytes HalfScaleTone() {
    test::Bytes audio = test::Silence(30);
    const std::size_t samples = audio.size() / 2;
    for (std::size_t i = 0; i < samples; ++i) {
        const double phase = static_cast<double>(i / 2) * 0.05;
        test::PutSample(audio, i, static_cast<int>(std::lround(16384 * std::sin(phase))));
    }
    return audio;
}

class GrabNormalizerAdapterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        settings.UseNormalizing = true;
        settings.NormalizeTo = 98;
        test::WriteAll(wave, test::WaveBytes(HalfScaleTone()));
        adapter.attach(&ui, nullptr, {});
    }

    test::TempDir dir;
    std::string wave = dir.file("temp.wav");
    Settings settings;
    TextTable texts;
    test::RecordingGrabUi ui;
    GrabNormalizerAdapter adapter{settings, texts};
    TrackCopyResults results;
};

// The simple engine with the condition [40, 60]: the scanned peak (50 %) lies inside it,
// the rip's peak (95 %) outside, so only a rip peak that is really used changes the file.
TEST_F(GrabNormalizerAdapterTest, TheRipPeakIsUsedWhenTheReadMethodHasOne) {
    settings.NormalizeLimit = true;
    settings.NormalizeLow = 40;
    settings.NormalizeHigh = 60;
    const test::Bytes before = test::ReadAll(wave);

    adapter.normalize(wave, results);
    EXPECT_EQ(adapter.lastOutcome().code, normalize_result::Unchanged);
    EXPECT_EQ(results.oldPeak, 50);
    EXPECT_EQ(results.newPeak, 50);
    EXPECT_EQ(test::ReadAll(wave), before);

    adapter.setRipPeakSource([] { return PeakLevels{31130, -31130}; });
    adapter.normalize(wave, results);
    EXPECT_EQ(adapter.lastOutcome().code, normalize_result::Modified);
    EXPECT_EQ(results.oldPeak, 95);
    EXPECT_EQ(results.newPeak, 51);  // 16384 x 32767 / 31130 x 0.98
    // The simple engine knows no averages or ratios.
    EXPECT_EQ(results.oldAverage, -1);
    EXPECT_EQ(results.newCompact, -1);
    EXPECT_NE(test::ReadAll(wave), before);
    EXPECT_THAT(ui.messages, IsEmpty());
}

TEST_F(GrabNormalizerAdapterTest, AdvancedEngineFillsAllSixFiguresAndDescribesItsMode) {
    settings.AdvancedNormalizing = true;
    adapter.setRipPeakSource([] { return PeakLevels{16384, -16384}; });

    EXPECT_EQ(adapter.description(), "Changing peak level to 98%. No compression");
    adapter.normalize(wave, results);

    EXPECT_EQ(adapter.lastOutcome().code, normalize_result::Modified);
    EXPECT_EQ(results.oldPeak, 50);
    EXPECT_EQ(results.newPeak, 98);
    EXPECT_GT(results.oldAverage, 40);
    EXPECT_GT(results.newAverage, results.oldAverage);
    EXPECT_GT(results.oldCompact, 0);
    EXPECT_GT(results.newCompact, 0);
}

TEST_F(GrabNormalizerAdapterTest, AFailureIsShownAndLeavesTheFiguresEmpty) {
    adapter.normalize(dir.file("missing.wav"), results);

    EXPECT_EQ(results.oldPeak, -1);
    EXPECT_EQ(results.newPeak, -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr(dir.file("missing.wav")));
    EXPECT_EQ(ui.messages[0].title, "Platterscoop");
}

TEST(GrabNormalizerAdapter, SimpleEngineHasNoDescriptionOfItsOwn) {
    Settings settings;
    TextTable texts;
    GrabNormalizerAdapter adapter{settings, texts};
    EXPECT_EQ(adapter.description(), "");
}

}  // namespace
}  // namespace ps

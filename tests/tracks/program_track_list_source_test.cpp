// The track list over the program's own read-method switch and disc identification.
#include <gtest/gtest.h>

#include <memory>

#include "app/settings.h"
#include "cdaccess/read_method.h"
#include "cddb/disc_number.h"
#include "i18n/text_table.h"
#include "support/fake_clock.h"
#include "support/recording_read_method_backends.h"
#include "tracks/track_list.h"

using namespace ps;

namespace {

struct NoDevice : DiscIdentityDevice {
    bool open(int, bool) override { return false; }
    void close() override {}
    std::optional<std::string> mediaIdentity() override { return std::nullopt; }
    std::optional<MsfTime> trackPosition(int) override { return std::nullopt; }
};

struct NoVolumes : DriveVolumeView {
    std::optional<std::uint64_t> totalBytes(int) const override { return std::nullopt; }
    std::optional<std::uint32_t> volumeSerial(int) const override { return std::nullopt; }
};

struct SilentUi : TrackListUi {
    void showNotice(const std::string&, const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return true; }
    void beep() override {}
};

struct NoFreeSpace : FreeSpace {
    std::optional<std::uint64_t> freeBytes(const std::string&) const override {
        return std::nullopt;
    }
};

TEST(ProgramTrackListSource, RefreshesFromTheAspiTable) {
    test::FakeClock clock;
    test::CallLog log;
    DiscTable table;
    ExtractionStatistics statistics;
    auto aspi = std::make_unique<test::RecordingAspi>(log, &clock);
    aspi->tableToReport.firstTrack = 1;
    aspi->tableToReport.lastTrack = 3;
    aspi->tableToReport.tracks[1] = {0, 33749, false};
    aspi->tableToReport.tracks[2] = {33750, 37499, false};
    aspi->tableToReport.tracks[3] = {37500, 59999, true};
    aspi->tableToReport.totalSectors = 60000;
    ReadMethod readMethod(clock, table, statistics, std::move(aspi), nullptr, true, {});
    readMethod.currentAccessMode = access_mode::kAspi;

    NoDevice device;
    NoVolumes volumes;
    CdPlayerDiscIdentity identity;
    DiscIdentifier identifier(readMethod, device, volumes, identity);
    const CdplayerIni cdplayer("/nonexistent/cdplayer.ini");
    ProgramTrackListSource source(readMethod, table, identifier, identity, cdplayer);

    DiscRecord disc;
    Settings settings;
    TextTable texts;
    SilentUi ui;
    NoFreeSpace freeSpace;
    TrackListModel model(disc, settings, texts, source, ui, freeSpace);
    ASSERT_TRUE(model.refresh());
    const std::vector<TrackRow> rows = model.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].time, "07:30");
    EXPECT_EQ(rows[1].size, "  8.41 Mb");
    EXPECT_EQ(rows[2].name, "Data Track");
    EXPECT_TRUE(rows[2].dataTrack);
    EXPECT_FALSE(rows[2].selected);
    EXPECT_EQ(disc.tracks[3].end, 59999);
    EXPECT_EQ(disc.totalLength, 60000);
    // Without a media identity there is no CD player disc number to store under.
    EXPECT_EQ(disc.cdPlayerNumber, 0u);
    EXPECT_FALSE(model.storeCdplayerEnabled());

    readMethod.currentAccessMode = access_mode::kNone;
    EXPECT_FALSE(model.refresh());
    EXPECT_EQ(model.rows()[0].name, kNoDriveRow);
}

}  // namespace

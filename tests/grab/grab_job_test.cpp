#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "cdaccess/helper_backend.h"
#include "grab/copy_status.h"
#include "grab/grab_job.h"
#include "grab/output_store.h"
#include "support/grab_doubles.h"
#include "support/recording_read_method_backends.h"

namespace ps::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class GrabJobTest : public GrabRig {};

TEST_F(GrabJobTest, GrabCopiesEverySelectedTrackInListOrderAndStoresItUnderItsName) {
    disc.rows = {2, 1, 3};
    disc.tracks[3].selected = false;
    settings.DeleteLeadingSilence = true;
    settings.LeadingSilence = 20;
    settings.DiscardOffset = 5;
    settings.NoChecksum = false;

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    const auto writes = aspi->writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].startSector, 3000);
    EXPECT_EQ(writes[0].endSector, 8999);
    EXPECT_EQ(writes[1].startSector, 0);
    EXPECT_EQ(writes[1].endSector, 2999);
    EXPECT_EQ(writes[0].leadingSilenceLimit, 150);
    EXPECT_EQ(writes[0].trailingSilenceLimit, 3000);
    EXPECT_EQ(writes[0].options, RecordRequest::kWriteFile);
    EXPECT_EQ(writes[0].checksumOff, 0);
    EXPECT_EQ(writes[0].skipSectors, 5);

    EXPECT_THAT(Stored(), ElementsAre("Band - Song 1.wav S0", "Band - Song 2.wav S3000"));
    EXPECT_EQ(Status(1), copy_status::kCopied);
    EXPECT_EQ(Status(2), copy_status::kCopied);
    EXPECT_EQ(Status(3), copy_status::kNotCopied);
    EXPECT_EQ(Info(1), "Copied OK ,Checksum: 1234ABCD");
    EXPECT_EQ(disc.tracks[1].results.oldPeak, 73);  // 24000 of 32767
    EXPECT_EQ(disc.tracks[1].results.waveStoreCode, kStoredUnderPlainName);

    const auto& grabbed = Job().grabbedFiles();
    ASSERT_EQ(grabbed.size(), 2u);
    EXPECT_EQ(grabbed[0].row, 0u);
    EXPECT_EQ(grabbed[0].trackName, "Song 2");
    EXPECT_EQ(grabbed[0].wavePath, (Dest() / "Band - Song 2.wav").string());
    EXPECT_EQ(ui.captions.front(), "Copying Band - Song 2");
    EXPECT_EQ(Job().rowsDone(), 0u);
    EXPECT_FALSE(Job().running());
}

TEST_F(GrabJobTest, TestReadsEveryTrackButWritesAndStoresNothing) {
    settings.AppendID3toWavFile = true;
    settings.ShutDownComputer = false;

    EXPECT_EQ(Job().run(GrabMode::Test), GrabOutcome::Completed);

    ASSERT_EQ(aspi->requests.size(), 3u);
    for (const auto& request : aspi->requests) {
        EXPECT_FALSE(request.writesFile());
    }
    EXPECT_THAT(Stored(), IsEmpty());
    EXPECT_EQ(Status(2), copy_status::kCopied);
    EXPECT_EQ(ui.captions.front(), "Testing Band - Song 1");
    EXPECT_THAT(Job().grabbedFiles(), IsEmpty());
}

struct StartCheckCase {
    const char* name;
    bool listReady;
    bool anySelected;
    DiscState disc;
    const char* text;
    const char* title;
    MessageIcon icon;
};

class GrabStartChecks : public GrabRig, public ::testing::WithParamInterface<StartCheckCase> {};

TEST_P(GrabStartChecks, ShowOneMessageAndChangeNothing) {
    const StartCheckCase& c = GetParam();
    disc.listReady = c.listReady;
    for (int t = 1; t <= 3; ++t) {
        disc.tracks[static_cast<std::size_t>(t)].selected = c.anySelected;
    }
    discCheck.states = {c.disc};
    settings.ShutDownComputer = true;
    settings.EjectDiscAfterRipping = true;

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::NotStarted);

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, c.text);
    EXPECT_EQ(ui.messages[0].title, c.title);
    EXPECT_EQ(ui.messages[0].icon, c.icon);
    EXPECT_THAT(aspi->requests, IsEmpty());
    EXPECT_THAT(Stored(), IsEmpty());
    EXPECT_EQ(power.requests, 0);
    EXPECT_EQ(aspi->ejects, 0);
    EXPECT_FALSE(std::filesystem::exists(Home() / "copyinfo.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GrabStartChecks,
    ::testing::Values(
        StartCheckCase{"NothingSelected", true, false, DiscState::Same,
                       "Select a track to grab by clicking the\ncheckbox to the left of the track "
                       "names",
                       "There is no track selected", MessageIcon::Information},
        StartCheckCase{"ListNotReady", false, true, DiscState::Same,
                       "Use Refresh to fill the tracklist first", "Empty tracklist",
                       MessageIcon::Information},
        StartCheckCase{"DriveNotReady", true, true, DiscState::NotReady,
                       "The CD-ROM drive is not ready\nPlease insert the disc.", "Drive not ready",
                       MessageIcon::Error},
        StartCheckCase{"SwappedBeforeGrab", true, true, DiscState::Other,
                       "This is not the same CD that was used to fill the tracklist.",
                       "Insert the correct CD", MessageIcon::Error}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GrabJobTest, DeclinedDiskSpaceWarningEndsTheJobBeforeAnyCheck) {
    hooks.diskSpaceOk = false;
    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::NotStarted);
    EXPECT_EQ(discCheck.checks, 0);
    EXPECT_THAT(aspi->requests, IsEmpty());
}

TEST_F(GrabJobTest, DiscSwappedDuringTheJobStopsItBeforeTheNextTrack) {
    settings.ShutDownComputer = true;
    settings.EjectDiscAfterRipping = true;
    settings.ContinueRipping = true;
    discCheck.states = {DiscState::Same, DiscState::Other};

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::DiscChanged);

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Insert the correct CD");
    EXPECT_EQ(aspi->writes().size(), 1u);
    EXPECT_THAT(Stored(), ElementsAre("Band - Song 1.wav S0"));
    EXPECT_EQ(Status(2), copy_status::kNotCopied);
    EXPECT_EQ(Status(3), copy_status::kNotCopied);
    // Nothing of the end actions: the user has to look at the drive.
    EXPECT_EQ(ui.shutdownShown, 0);
    EXPECT_EQ(aspi->ejects, 0);
    EXPECT_THAT(channel.sent, IsEmpty());
}

TEST_F(GrabJobTest, DriveEmptiedDuringTheJobStopsItWithTheNotReadyMessage) {
    discCheck.states = {DiscState::Same, DiscState::Same, DiscState::NotReady};
    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::DiscChanged);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Drive not ready");
    EXPECT_EQ(Status(2), copy_status::kCopied);
    EXPECT_EQ(Status(3), copy_status::kNotCopied);
}

TEST_F(GrabJobTest, ReadErrorIsRetriedOnceAfterAFourSecondCountdown) {
    aspi->results = {record_result::kRetriesExhausted, record_result::kDone};
    const std::int64_t start = clock.nowMs();

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    const std::string retry = "ASPI Error, retries in 4 seconds";
    EXPECT_THAT(std::vector<std::string>(ui.captions.begin(), ui.captions.begin() + 7),
                ElementsAre("Copying Band - Song 1", retry + "....", retry + "...", retry + "..",
                            retry + ".", retry + ".", "Copying Band - Song 1"));
    EXPECT_GE(clock.nowMs() - start, 4000);
    EXPECT_GT(pumps, 0);  // the countdown keeps the windows responsive
    EXPECT_EQ(aspi->writes().size(), 4u);
    EXPECT_EQ(Status(1), copy_status::kCopied);
    EXPECT_THAT(Stored(), ElementsAre("Band - Song 1.wav S0", "Band - Song 2.wav S3000",
                                      "Band - Song 3.wav S9000"));
}

TEST_F(GrabJobTest, SecondReadErrorSkipsToTheNextTrackLeavingNothingOfIt) {
    aspi->results = {record_result::kRetriesExhausted, record_result::kRetriesExhausted};

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    const std::string again = "ASPI Error again, skips to next track in 4 seconds";
    EXPECT_THAT(ui.captions, ::testing::Contains(again + "...."));
    EXPECT_EQ(Status(1), record_result::kRetriesExhausted);
    EXPECT_EQ(Info(1), "Aspi error");
    EXPECT_THAT(Stored(), ElementsAre("Band - Song 2.wav S3000", "Band - Song 3.wav S9000"));
}

TEST_F(GrabJobTest, AbortDuringTheRetryCountdownSkipsTheTrack) {
    aspi->results = {record_result::kRetriesExhausted};
    ui.onCaption = [this](const std::string& caption) {
        if (caption.rfind("ASPI Error, retries", 0) == 0) {
            ui.skip = true;
        }
    };
    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);
    EXPECT_EQ(aspi->writes().size(), 3u);
    EXPECT_THAT(Stored(), ElementsAre("Band - Song 2.wav S3000", "Band - Song 3.wav S9000"));
}

TEST_F(GrabJobTest, FullDiskStopsTheTrackRemovesItsTempWaveAndKeepsEveryStoredFile) {
    std::ofstream(Dest() / "Band - Song 2.wav", std::ios::binary) << "earlier rip";
    aspi->results = {record_result::kDone, record_result::kWriteFailed};
    settings.AppendID3toWavFile = true;

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    EXPECT_EQ(Status(2), copy_status::kTempNotWritable);
    EXPECT_EQ(Info(2), "Aspi error");
    EXPECT_EQ(disc.tracks[2].results.checksumState, -1);
    EXPECT_FALSE(std::filesystem::exists(Dest() / "temp.wav"));
    EXPECT_EQ(Read(Dest() / "Band - Song 2.wav"), "earlier rip");
    EXPECT_THAT(Stored(), ElementsAre("Band - Song 1.wav S0", "Band - Song 2.wav",
                                      "Band - Song 3.wav S9000"));
}

TEST_F(GrabJobTest, StoringNeverReplacesAFileOfTheSameName) {
    std::ofstream(Dest() / "Band - Song 1.wav", std::ios::binary) << "keep me";
    disc.tracks[2].selected = disc.tracks[3].selected = false;

    Job().run(GrabMode::Grab);

    EXPECT_EQ(Read(Dest() / "Band - Song 1.wav"), "keep me");
    EXPECT_THAT(Stored(), ElementsAre("Band - Song 1-1.wav S0", "Band - Song 1.wav"));
    EXPECT_EQ(disc.tracks[1].results.waveStoreCode, 1);
}

TEST_F(GrabJobTest, SkippedTrackIsAbortedAndTheJobGoesOn) {
    aspi->results = {record_result::kDone, record_result::kAbortedTrack};
    settings.EjectDiscAfterRipping = true;

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    EXPECT_EQ(Status(2), copy_status::kAborted);
    EXPECT_EQ(Info(2), "Aborted by user");
    EXPECT_THAT(Stored(), ElementsAre("Band - Song 1.wav S0", "Band - Song 3.wav S9000"));
    EXPECT_EQ(aspi->ejects, 1);
}

TEST_F(GrabJobTest, AbortAllEndsTheJobWithoutItsEndActions) {
    aspi->results = {record_result::kAbortedAll};
    settings.ShutDownComputer = true;
    settings.EjectDiscAfterRipping = true;
    settings.ContinueRipping = true;

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Aborted);

    EXPECT_EQ(aspi->writes().size(), 1u);
    EXPECT_THAT(Stored(), IsEmpty());
    EXPECT_EQ(ui.shutdownShown, 0);
    EXPECT_EQ(power.requests, 0);
    EXPECT_EQ(aspi->ejects, 0);
    EXPECT_THAT(channel.sent, IsEmpty());
}

TEST_F(GrabJobTest, ReadFailuresThatEndTheJob) {
    struct Case {
        int result;
        int status;
        const char* info;
    };
    for (const Case c :
         {Case{record_result::kNotStarted, copy_status::kAborted, "Aborted by user"},
          Case{record_result::kCommandIncomplete, copy_status::kNoAnswer, "Aspi didn't answer"}}) {
        SCOPED_TRACE(c.result);
        aspi->results = {c.result};
        aspi->requests.clear();
        disc.tracks[1].results = {};
        std::filesystem::remove(Dest() / "temp.wav");
        EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Stopped);
        EXPECT_EQ(aspi->writes().size(), 1u);
        EXPECT_EQ(Status(1), c.status);
        EXPECT_EQ(Info(1), c.info);
        EXPECT_THAT(Stored(), IsEmpty());
    }
}

TEST_F(GrabJobTest, LostSynchronisationRefusesTheTrackAndGoesOn) {
    aspi->results = {record_result::kSynchLost};
    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);
    EXPECT_EQ(Status(1), copy_status::kSynchLost);
    EXPECT_EQ(Info(1), "Sync lost - Aborted");
    EXPECT_EQ(aspi->writes().size(), 3u);
    EXPECT_THAT(Stored(), ElementsAre("Band - Song 2.wav S3000", "Band - Song 3.wav S9000"));
}

TEST_F(GrabJobTest, SpinUpReadsTwentyFiveSectorStepsWithoutAFileBeforeTheCopy) {
    settings.SpinUpDisc = true;
    disc.tracks[2].selected = disc.tracks[3].selected = false;

    Job().run(GrabMode::Grab);

    ASSERT_GE(aspi->requests.size(), 34u);  // 3300 ms at 100 ms a read, then the copy
    EXPECT_EQ(aspi->requests[0].startSector, 10);
    EXPECT_EQ(aspi->requests[0].endSector, 34);
    EXPECT_EQ(aspi->requests[1].startSector, 35);
    EXPECT_EQ(aspi->requests[0].options, 0);
    EXPECT_EQ(aspi->requests[0].checksumOff, 1);
    EXPECT_TRUE(aspi->requests.back().writesFile());
    EXPECT_EQ(aspi->writes().size(), 1u);
}

TEST_F(GrabJobTest, AbortAllDuringSpinUpAbortsTheTrackAndTheJob) {
    settings.SpinUpDisc = true;
    settings.ShutDownComputer = true;
    int pumped = 0;
    GrabJobParts parts{settings,
                       disc,
                       *readMethod,
                       texts,
                       files,
                       clock,
                       [&] {
                           if (++pumped == 3) {
                               ui.abortAll = true;
                           }
                       },
                       ui,
                       discCheck,
                       Home().string()};
    parts.power = &power;
    GrabJob job(parts);

    EXPECT_EQ(job.run(GrabMode::Grab), GrabOutcome::Aborted);

    EXPECT_EQ(Status(1), copy_status::kAborted);
    EXPECT_EQ(Status(2), copy_status::kNotCopied);
    EXPECT_THAT(aspi->writes(), IsEmpty());
    EXPECT_EQ(power.requests, 0);
}

TEST_F(GrabJobTest, SkipDuringSpinUpAbortsOnlyThatTrack) {
    settings.SpinUpDisc = true;
    bool pressed = false;
    GrabJobParts parts{settings,
                       disc,
                       *readMethod,
                       texts,
                       files,
                       clock,
                       [&] {
                           if (!pressed) {
                               pressed = ui.skip = true;
                           }
                       },
                       ui,
                       discCheck,
                       Home().string()};
    GrabJob job(parts);

    EXPECT_EQ(job.run(GrabMode::Grab), GrabOutcome::Completed);

    EXPECT_EQ(Status(1), copy_status::kAborted);
    EXPECT_EQ(Status(2), copy_status::kCopied);
    EXPECT_THAT(Stored(), ElementsAre("Band - Song 2.wav S3000", "Band - Song 3.wav S9000"));
}

TEST_F(GrabJobTest, DriveThatStopsAnsweringStillLetsTheShutDownRun) {
    aspi->results = {record_result::kCommandIncomplete};
    settings.ShutDownComputer = true;
    settings.ShutDownDelay = 10;

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Stopped);

    EXPECT_EQ(power.requests, 1);
    EXPECT_NE(
        Read(Home() / "copyinfo.txt").find("Song 1\t00:40\t  6.73 Mb\tAspi didn't answer\r\n"),
        std::string::npos);
}

TEST_F(GrabJobTest, ShutDownCountsDownWritesTheReportAndPowersOff) {
    settings.ShutDownComputer = true;
    settings.ShutDownDelay = 3;
    settings.StartPlaying = true;
    settings.PlayGrabbedFiles = true;

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    EXPECT_EQ(ui.shutdownShown, 1);
    EXPECT_THAT(ui.countdown, ElementsAre("0:03", "0:02", "0:01", "0:00"));
    EXPECT_EQ(power.requests, 1);
    EXPECT_THAT(hooks.calls, ElementsAre("playGrabbedFiles 3", "stopPlayback", "saveSettings"));
    EXPECT_EQ(Read(Home() / "copyinfo.txt"),
              "Artist: Band\tCD#: ABCD\r\n"
              "Song 1\t00:40\t  6.73 Mb\tCopied OK ,Checksum: 1234ABCD\r\n"
              "Song 2\t01:20\t13.46 Mb\tCopied OK ,Checksum: 1234ABCD\r\n"
              "Song 3\t01:00\t10.09 Mb\tCopied OK ,Checksum: 1234ABCD\r\n");
}

TEST_F(GrabJobTest, AbortedShutDownCountdownDoesNotPowerOff) {
    settings.ShutDownComputer = true;
    settings.ShutDownDelay = 60;
    ui.abortShutdown = true;

    Job().run(GrabMode::Grab);

    EXPECT_EQ(ui.shutdownShown, 1);
    EXPECT_EQ(power.requests, 0);
    EXPECT_THAT(hooks.calls, IsEmpty());
    EXPECT_TRUE(std::filesystem::exists(Home() / "copyinfo.txt"));
}

struct FixedFigures final : GrabCopyFigures {
    int speed = 400;
    ExtractionFigures lastCopy() override { return {speed, 1, 2, 3}; }
};

TEST_F(GrabJobTest, CdSpeedAveragesTheMeasuredSpeedUnlessLocked) {
    struct Case {
        bool locked;
        std::int16_t expected;
    };
    for (const Case c : {Case{false, 362}, Case{true, 100}}) {
        SCOPED_TRACE(c.locked);
        settings.CDSpeed = 100;
        settings.LockTimeCalculation = c.locked;
        FixedFigures figures;
        GrabJobParts parts{settings, disc, *readMethod, texts,     files,
                           clock,    {},   ui,          discCheck, Home().string()};
        parts.figures = &figures;
        GrabJob job(parts);
        job.run(GrabMode::Test);
        // (100 + 400) / 2, then (250 + 400) / 2, then (325 + 400) / 2.
        EXPECT_EQ(settings.CDSpeed, c.expected);
        EXPECT_EQ(disc.tracks[1].results.speed, 400);
        EXPECT_EQ(disc.tracks[1].results.lostSynchs, 1);
    }
}

TEST_F(GrabJobTest, FailedCopyLeavesCdSpeedAlone) {
    FixedFigures figures;
    GrabJobParts parts{settings, disc, *readMethod, texts,     files,
                       clock,    {},   ui,          discCheck, Home().string()};
    parts.figures = &figures;
    GrabJob job(parts);
    aspi->results = {record_result::kSynchLost, record_result::kWriteFailed, 2};
    job.run(GrabMode::Grab);
    EXPECT_EQ(settings.CDSpeed, 100);
}

TEST_F(GrabJobTest, ScreensaverIsHeldOffDuringTheJobWhenAsked) {
    settings.DontStartScreensaver = true;
    Job().run(GrabMode::Grab);
    EXPECT_THAT(screensaver.calls, ElementsAre("inhibit", "release"));

    screensaver.calls.clear();
    settings.DontStartScreensaver = false;
    Job().run(GrabMode::Grab);
    EXPECT_THAT(screensaver.calls, IsEmpty());
}

TEST_F(GrabJobTest, ContinuousRippingSignalsTheOtherCopyAndStartsOnlyOnANewDisc) {
    settings.ContinueRipping = true;
    Job().run(GrabMode::Grab);
    EXPECT_THAT(channel.sent, ElementsAre(instance_message::kStartGrab));
    EXPECT_EQ(Job().lastJobDisc(), 0xABCDu);

    aspi->requests.clear();
    discCheck.number = 0xABCD;
    EXPECT_FALSE(Job().onContinuousRippingSignal());
    EXPECT_THAT(aspi->requests, IsEmpty());

    discCheck.number = 0x1234;
    disc.cdPlayerNumber = 0x1234;
    EXPECT_TRUE(Job().onContinuousRippingSignal());
    EXPECT_EQ(aspi->writes().size(), 3u);
}

TEST_F(GrabJobTest, EncoderThatNeedsNoWaitHasTheWaveDeletedAtOnce) {
    RecordingEncoder recording;
    recording.startResult = encoder_start::kFinishedAlready;
    encoder = &recording;
    settings.UseL3enc = true;
    settings.DeleteWave = true;

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    ASSERT_EQ(recording.started.size(), 3u);
    EXPECT_EQ(recording.started[1].name, "Band - Song 2");
    EXPECT_EQ(recording.started[1].wavePath, (Dest() / "temp.wav").string());
    EXPECT_THAT(Stored(), IsEmpty());
}

TEST_F(GrabJobTest, EncoderWaitThatEndsWithoutTheDoneFlagAbortsTheJob) {
    RecordingEncoder recording;
    recording.finishes = false;
    encoder = &recording;
    settings.UseL3enc = true;
    settings.EjectDiscAfterRipping = true;
    ui.onCaption = nullptr;
    // The wait window's abort after some polling: the test presses Skip-all on the pump.
    int polls = 0;
    GrabJobParts parts{settings,
                       disc,
                       *readMethod,
                       texts,
                       files,
                       clock,
                       [&] {
                           if (++polls == 5) {
                               ui.abortAll = true;
                           }
                       },
                       ui,
                       discCheck,
                       Home().string()};
    parts.encoder = &recording;
    GrabJob job(parts);

    EXPECT_EQ(job.run(GrabMode::Grab), GrabOutcome::Aborted);
    EXPECT_EQ(recording.started.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(Dest() / "temp.wav"));
    EXPECT_EQ(aspi->ejects, 0);
}

TEST_F(GrabJobTest, RunningEncoderIsWaitedForAndLeavesTheStoringToItsCompletion) {
    RecordingEncoder recording;
    encoder = &recording;
    settings.UseL3enc = true;
    settings.EjectDiscAfterRipping = true;

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    EXPECT_EQ(recording.started.size(), 3u);
    EXPECT_EQ(recording.started[2].frames, 4500);
    EXPECT_THAT(Job().grabbedFiles(), IsEmpty());
    EXPECT_EQ(aspi->ejects, 1);
}

TEST_F(GrabJobTest, RipAllTracksBeforeEncodingCopiesFirstThenEncodesInListOrder) {
    RecordingEncoder recording;
    encoder = &recording;
    settings.UseL3enc = true;
    settings.RipAllTracksBeforeEncoding = true;
    settings.DeleteWave = true;
    disc.rows = {3, 1, 2};

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    ASSERT_EQ(recording.started.size(), 3u);
    EXPECT_EQ(recording.started[0].wavePath, (Dest() / "Band - Song 3.wav").string());
    EXPECT_EQ(recording.started[1].wavePath, (Dest() / "Band - Song 1.wav").string());
    EXPECT_EQ(recording.started[2].wavePath, (Dest() / "Band - Song 2.wav").string());
    EXPECT_EQ(recording.started[0].row, 0u);
    EXPECT_THAT(ui.captions, ::testing::Contains("Encoding Band - Song 1"));
    EXPECT_THAT(Stored(), IsEmpty());
    EXPECT_THAT(Job().grabbedFiles(), IsEmpty());
}

TEST_F(GrabJobTest, CopyingWindowShowsTheTrackFiguresAndTheNormalizationLine) {
    RecordingEncoder recording;
    recording.startResult = encoder_start::kFinishedAlready;
    encoder = &recording;
    settings.CDSpeed = 400;
    settings.UseL3enc = true;
    settings.CodecLq = 2.0;
    disc.tracks[2].selected = disc.tracks[3].selected = false;
    struct Case {
        bool normalizing, limit;
        GrabMode mode;
        const char* line;
    };
    for (const Case c :
         {Case{true, true, GrabMode::Grab,
               "Normalizing to 98% if peak level is lower than 91% or higher than 99%"},
          Case{true, false, GrabMode::Grab, "Normalizing to 98% unconditionally"},
          Case{false, false, GrabMode::Grab, "Normalization is not selected."},
          Case{true, true, GrabMode::Test, "Normalization is not needed when testing"}}) {
        settings.UseNormalizing = c.normalizing;
        settings.NormalizeLimit = c.limit;
        ui.shown.clear();
        Job().run(c.mode);
        ASSERT_EQ(ui.shown.size(), 1u);
        const CopyingTrackInfo& info = ui.shown[0];
        EXPECT_EQ(info.normalizationLine, c.line);
        EXPECT_EQ(info.trackLength, "0:40");
        EXPECT_EQ(info.totalSectors, "3000");
        EXPECT_EQ(info.totalSize, "6.73 Mbytes");
        EXPECT_EQ(info.expectedReadTime, "0:10");
        EXPECT_EQ(info.expectedEncodingTime, "01:20");
    }
}

TEST_F(GrabJobTest, TrackTagIsAppendedToTheWaveBeforeItIsStored) {
    settings.AppendID3toWavFile = true;
    disc.tracks[2].selected = disc.tracks[3].selected = false;
    Job().run(GrabMode::Grab);
    const std::string stored = Read(Dest() / "Band - Song 1.wav");
    EXPECT_GT(stored.size(), kWaveHeaderSize + 4 * 588);
    EXPECT_NE(stored.find("Song 1", kWaveHeaderSize + 4 * 588), std::string::npos);
}

TEST_F(GrabJobTest, LastTrackIsShortenedAndPartialRipsCutTheExcerpt) {
    settings.ShortenLastTrack = true;
    settings.PartialRips = true;
    settings.PartialStart = 10;
    settings.PartialLength = 20;
    settings.PartialFadeIn = true;

    Job().run(GrabMode::Grab);

    const auto writes = aspi->writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].startSector, 750);  // 10 s into the 40 s track, 20 s long
    EXPECT_EQ(writes[0].endSector, 2249);
    // The last track's shortening is not taken off its excerpt a second time.
    EXPECT_EQ(writes[2].startSector, 9750);
    EXPECT_EQ(writes[2].endSector, 11249);
    ASSERT_EQ(hooks.fades.size(), 3u);
    EXPECT_TRUE(hooks.fades[0].fadeIn);
    EXPECT_FALSE(hooks.fades[0].fadeOut);
}

TEST_F(GrabJobTest, NormalizingWorksOnTempWaveBeforeItIsStoredButNotWhenTesting) {
    RecordingNormalizer recording;
    normalizer = &recording;
    settings.UseNormalizing = true;
    settings.ShowNewPeak = true;
    disc.tracks[2].selected = disc.tracks[3].selected = false;

    Job().run(GrabMode::Grab);
    EXPECT_THAT(recording.normalized, ElementsAre((Dest() / "temp.wav").string()));
    EXPECT_EQ(Info(1), "Copied OK ,Checksum: 1234ABCD, New peak: 98%");
    EXPECT_THAT(Stored(), ElementsAre("Band - Song 1.wav S0"));

    recording.normalized.clear();
    Job().run(GrabMode::Test);
    EXPECT_THAT(recording.normalized, IsEmpty());
}

TEST_F(GrabJobTest, AnalogGrabSamplesWithTheSpeakersMutedAndHasNoChecksum) {
    CallLog log;
    readMethod = std::make_unique<ReadMethod>(clock, table, statistics, nullptr,
                                              std::make_unique<RecordingAnalog>(log), true,
                                              ReadMethod::HelperFactory{});
    readMethod->currentAccessMode = access_mode::kAnalog;
    readMethod->analogDrive = 4;
    settings.MuteSpeakers = true;
    disc.artist.clear();
    disc.tracks[2].selected = disc.tracks[3].selected = false;

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    EXPECT_EQ(ui.captions.front(), "Sampling  Song 1");
    EXPECT_THAT(log, ::testing::Contains("analog.StartRecord(4,0,2999,3000,3000,1,0,0)"));
    EXPECT_EQ(Info(1), "Copied OK ,Checksum: N/A");
    EXPECT_THAT(hooks.calls, ElementsAre("mute", "unmute"));
}

// The helper's recording: StartRecord answers from its script (1 once it is used up),
// ContinueRecord walks its statuses and then reports the end (10001).
class ScriptedHelper final : public HelperBackend {
  public:
    explicit ScriptedHelper(std::vector<std::string>& log) : log_(log) {}
    std::deque<std::int16_t> starts;
    std::deque<std::int32_t> statuses;

    std::int16_t StartRecord(std::int32_t start, std::int32_t end, std::int16_t, std::int16_t,
                             std::int16_t options, std::int16_t, std::int16_t) override {
        log_.push_back("StartRecord " + std::to_string(start) + "-" + std::to_string(end) + " " +
                       std::to_string(options));
        const std::int16_t result = starts.empty() ? 1 : starts.front();
        if (!starts.empty()) {
            starts.pop_front();
        }
        return result;
    }
    std::int32_t ContinueRecord() override {
        const std::int32_t status = statuses.empty() ? 10001 : statuses.front();
        if (!statuses.empty()) {
            statuses.pop_front();
        }
        log_.push_back("ContinueRecord " + std::to_string(status));
        return status;
    }
    void EndRecord() override { log_.push_back("EndRecord"); }
    void QuitRecord() override { log_.push_back("QuitRecord"); }
    std::int16_t TestChecksum() override { return 0; }
    std::int32_t GetCheckSum() override { return 0x77; }
    std::int16_t CheckMscdex() override { return 0; }
    std::int16_t CheckMscdexVersion() override { return 0; }
    std::int16_t StartInterfacing(std::int16_t, std::int16_t, std::int16_t) override { return 1; }
    std::int16_t StopInterfacing() override { return 0; }
    std::int16_t GetDiskInfo() override { return 256; }
    std::int32_t GetTrackInfo(std::int16_t) override { return 0; }
    std::int16_t GetLowest() override { return 1; }
    std::int16_t GetHighest() override { return 3; }
    std::int32_t GetTotalTime() override { return 13500; }
    std::int16_t GetLowNorm() override { return -100; }
    std::int16_t GetHighNorm() override { return 100; }
    std::int16_t StopAudio() override { return 0; }
    std::int16_t ResumeAudio() override { return 0; }
    std::int16_t FlushBuffer() override { return 0; }
    std::int16_t IsPlaying() override { return 0; }
    std::int16_t PlayAudio(std::int32_t, std::int32_t) override { return 0; }
    std::int32_t GetHeadLocation() override { return 0; }
    std::int32_t GetNextSec() override { return 0; }
    std::int16_t GetTemporaryHigh() override { return 0; }
    std::int16_t GetTemporaryLow() override { return 0; }
    std::int16_t GetDrvNumber(std::int16_t) override { return 255; }
    void ChangeDrive(std::int16_t) override {}

  private:
    std::vector<std::string>& log_;
};

class HelperGrab : public GrabRig {
  protected:
    ScriptedHelper& UseHelper() {
        auto helper = std::make_unique<ScriptedHelper>(log);
        ScriptedHelper* raw = helper.get();
        readMethod = std::make_unique<ReadMethod>(
            clock, table, statistics, nullptr, nullptr, false,
            [&helper]() -> std::unique_ptr<HelperBackend> { return std::move(helper); });
        readMethod->currentAccessMode = access_mode::kMscdex;
        readMethod->helperLoaded = true;
        disc.tracks[2].selected = disc.tracks[3].selected = false;
        return *raw;
    }
    std::vector<std::string> log;
};

TEST_F(HelperGrab, RecordingIsStartedTwiceAndDrivenUntilTheHelperReportsItsEnd) {
    ScriptedHelper& helper = UseHelper();
    helper.statuses = {3, 9999, 3};

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    EXPECT_THAT(log, ElementsAre("StartRecord 0-2999 1", "StartRecord 0-2999 1", "ContinueRecord 3",
                                 "ContinueRecord 9999", "ContinueRecord 3", "ContinueRecord 10001",
                                 "EndRecord"));
    EXPECT_EQ(Status(1), copy_status::kCopied);
    EXPECT_EQ(disc.tracks[1].results.checksum, 0x77u);
}

TEST_F(HelperGrab, RecordingThatCannotStartCountsAsARefusedRange) {
    ScriptedHelper& helper = UseHelper();
    helper.starts = {1, 0};

    EXPECT_EQ(Job().run(GrabMode::Grab), GrabOutcome::Completed);

    EXPECT_EQ(Status(1), copy_status::kRangeRefused);
    EXPECT_EQ(Info(1), "Could not open temp.wav");
}

TEST_F(HelperGrab, SkipDuringTheRecordingQuitsIt) {
    ScriptedHelper& helper = UseHelper();
    helper.statuses = {3, 3, 3};
    int pumped = 0;
    GrabJobParts parts{settings,
                       disc,
                       *readMethod,
                       texts,
                       files,
                       clock,
                       [&] {
                           if (++pumped == 2) {
                               ui.skip = true;
                           }
                       },
                       ui,
                       discCheck,
                       Home().string()};
    GrabJob job(parts);

    EXPECT_EQ(job.run(GrabMode::Grab), GrabOutcome::Completed);

    EXPECT_EQ(log.back(), "QuitRecord");
    EXPECT_EQ(Status(1), copy_status::kAborted);
}

}  // namespace
}  // namespace ps::test

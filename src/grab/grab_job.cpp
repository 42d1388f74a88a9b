#include "grab/grab_job.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "audio/track_tag.h"
#include "cdaccess/read_method.h"
#include "grab/copy_status.h"
#include "grab/grab_shutdown.h"
#include "grab/output_store.h"
#include "grab/status_report.h"
#include "platform/clock.h"
#include "platform/instance_channel.h"
#include "platform/screensaver.h"
#include "tracks/track_status_text.h"

namespace ps {

namespace {

constexpr std::int32_t kSectorsPerSecond = 75;
constexpr std::int32_t kSpinUpSkip = 10;
constexpr std::int32_t kSpinUpSectors = 25;
constexpr std::int32_t kHelperSpinUpSectors = 2;
constexpr std::int32_t kHelperSpinUpStep = 3;
constexpr int kWaitStepMs = 50;

std::string fixed(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

bool nothingToWaitFor(int started) {
    return started == encoder_start::kNotStarted || started == encoder_start::kFinishedAlready;
}

}  // namespace

std::string CopyingTimeText(std::int64_t seconds) {
    seconds = std::max<std::int64_t>(seconds, 0);
    char buffer[48];
    if (seconds >= 3600) {
        std::snprintf(
            buffer, sizeof buffer, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    } else {
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    return buffer;
}

GrabJob::GrabJob(GrabJobParts parts) : p_(std::move(parts)) {
    if (p_.hooks == nullptr) {
        p_.hooks = &defaultHooks_;
    }
}

GrabOutcome GrabJob::run(GrabMode mode) {
    if (running_) {
        return GrabOutcome::NotStarted;
    }
    running_ = true;
    const GrabOutcome outcome = runJob(mode);
    running_ = false;
    return outcome;
}

bool GrabJob::onContinuousRippingSignal() {
    if (running_ || p_.discCheck.currentDiscNumber() == lastJobDisc_) {
        return false;
    }
    return run(GrabMode::Grab) != GrabOutcome::NotStarted;
}

void GrabJob::showDiscStateMessage(DiscState state) {
    if (state == DiscState::NotReady) {
        p_.ui.showMessage(std::string(p_.texts.text("NotReady1Rip")),
                          std::string(p_.texts.text("NotReady2Rip")), MessageIcon::Error);
    } else if (state == DiscState::Other) {
        p_.ui.showMessage(std::string(p_.texts.text("NotSameCDRip")),
                          std::string(p_.texts.text("InsertRip")), MessageIcon::Error);
    }
}

bool GrabJob::startChecks() {
    if (!p_.disc.listReady) {
        p_.ui.showMessage(std::string(p_.texts.text("RefreshRip")),
                          std::string(p_.texts.text("EmptyListRip")), MessageIcon::Information);
        return false;
    }
    const bool anySelected =
        std::any_of(p_.disc.rows.begin(), p_.disc.rows.end(), [this](int number) {
            const TrackRecord& track = p_.disc.tracks[static_cast<std::size_t>(number)];
            return track.selected && !track.dataTrack;
        });
    if (!anySelected) {
        p_.ui.showMessage(std::string(p_.texts.text("SelectRip")),
                          std::string(p_.texts.text("NoSelRip")), MessageIcon::Information);
        return false;
    }
    const DiscState state = p_.discCheck.checkDisc();
    if (state != DiscState::Same) {
        showDiscStateMessage(state);
        return false;
    }
    return true;
}

bool GrabJob::checkDiscBeforeTrack() {
    const DiscState state = p_.discCheck.checkDisc();
    if (state == DiscState::Same) {
        return true;
    }
    showDiscStateMessage(state);
    return false;
}

GrabOutcome GrabJob::runJob(GrabMode mode) {
    p_.hooks->stopDiscPlayback();
    if (!p_.hooks->confirmDiskSpace() || !startChecks()) {
        return GrabOutcome::NotStarted;
    }

    lastJobDisc_ = p_.disc.cdPlayerNumber;
    jobAborted_ = false;
    screensaverHeld_ = false;
    if (p_.settings.DontStartScreensaver && p_.screensaver != nullptr) {
        screensaverHeld_ = p_.screensaver->inhibit("Platterscoop", "Grabbing an audio CD");
    }
    muted_ = false;
    if (p_.settings.MuteSpeakers && p_.readMethod.currentAccessMode == access_mode::kAnalog) {
        p_.hooks->setSpeakersMuted(true);
        muted_ = true;
    }
    grabbed_.clear();
    p_.ui.setMainWindowEnabled(false);

    GrabOutcome outcome = GrabOutcome::Completed;
    bool firstTrack = true;
    for (std::size_t row = 0; row < p_.disc.rows.size(); ++row) {
        const TrackRecord& track = p_.disc.trackAtRow(row);
        if (!track.selected || track.dataTrack) {
            continue;
        }
        // The start checks looked at the disc just now; later tracks look again, so
        // that a disc swapped during the job is never stored under the listed names.
        if (!firstTrack && !checkDiscBeforeTrack()) {
            outcome = GrabOutcome::DiscChanged;
            break;
        }
        firstTrack = false;

        currentRow_ = row;
        p_.readMethod.StopAudio();
        p_.ui.clearAbortRequests();
        trackAborted_ = false;
        rowsDone_ = row + 1;
        p_.hooks->updateEstimates(rowsDone_, estimate_phase::kCopying);

        CopyResult result = copyTrack(row, mode);
        if (result == CopyResult::Retry) {
            if (retryCountdown("RetryRip")) {
                result = copyTrack(row, mode);
                if (result == CopyResult::Retry) {
                    retryCountdown("ErrorAgainRip");
                }
            } else {
                result = CopyResult::Refused;
            }
        }
        if (p_.ui.abortAllRequested()) {
            jobAborted_ = true;
        }
        if (p_.ui.skipRequested() || jobAborted_) {
            trackAborted_ = true;
        }

        if (result == CopyResult::Done) {
            TrackRecord& done = p_.disc.trackAtRow(row);
            const int low = std::abs(static_cast<int>(p_.readMethod.GetLowNorm()));
            const int high = std::abs(static_cast<int>(p_.readMethod.GetHighNorm()));
            done.results.oldPeak = std::min(100, std::max(low, high) * 100 / 32767);
            refreshRow(row);
        }
        if (result == CopyResult::StopJob) {
            // The read could not go on: the job ends at once, without its end actions.
            removeTemporaryWave();
            if (!jobAborted_ && p_.settings.ShutDownComputer) {
                WriteStatusReport(p_.disc, p_.programDirectory);
                RunShutdownCountdown(
                    {p_.settings, p_.texts, p_.clock, p_.pump, p_.ui, *p_.hooks, p_.power});
            }
            restoreScreensaver();
            if (muted_) {
                p_.hooks->setSpeakersMuted(false);
                muted_ = false;
            }
            rowsDone_ = 0;
            p_.hooks->updateEstimates(rowsDone_, estimate_phase::kIdle);
            p_.ui.setMainWindowEnabled(true);
            return jobAborted_ ? GrabOutcome::Aborted : GrabOutcome::Stopped;
        }
        if (result == CopyResult::Done) {
            finishTrack(row, mode);
        } else {
            // A skipped or refused track leaves nothing behind, and its row says why.
            removeTemporaryWave();
            refreshRow(row);
        }
        if (jobAborted_) {
            break;
        }
    }

    if (outcome == GrabOutcome::Completed && jobAborted_) {
        outcome = GrabOutcome::Aborted;
    }
    if (outcome == GrabOutcome::Completed && mode == GrabMode::Grab) {
        secondPhase();
        if (jobAborted_) {
            outcome = GrabOutcome::Aborted;
        }
    }
    endJob(outcome);
    return outcome;
}

std::string GrabJob::copyingCaption(std::string_view key, const std::string& trackName) const {
    std::string caption(p_.texts.text(key));
    if (p_.disc.artist.empty()) {
        return caption + "  " + trackName;
    }
    return caption + " " + p_.disc.artist + " - " + trackName;
}

CopyingTrackInfo GrabJob::trackInfo(const CopyRange& range, std::size_t row, GrabMode mode) {
    const Settings& s = p_.settings;
    const TrackRecord& track = p_.disc.trackAtRow(row);
    const bool analog = p_.readMethod.currentAccessMode == access_mode::kAnalog;
    const bool direct = p_.encoder != nullptr && p_.encoder->directEncodingActive();
    const std::string_view word =
        mode == GrabMode::Test ? "TestingRip" : (analog ? "SamplingRip" : "CopyingRip");

    CopyingTrackInfo info;
    info.caption = copyingCaption(word, track.name);
    const std::int32_t sectors = range.sectors();
    const std::int64_t seconds = sectors / kSectorsPerSecond;
    info.trackLength = CopyingTimeText(seconds);
    info.totalSectors = std::to_string(sectors);
    info.totalSize = fixed(static_cast<double>(sectors) * 2352.0 / 1048576.0) + " " +
                     std::string(p_.texts.text("MbytesRip"));
    const int cdSpeed = analog ? 100 : std::max<int>(s.CDSpeed, 1);
    std::int64_t readSeconds = seconds * 100 / cdSpeed;

    if (mode == GrabMode::Test) {
        info.normalizationLine = p_.texts.text("Norm4Rip");
    } else if (direct) {
        info.normalizationLine = p_.texts.text("Norm5Rip");
    } else if (s.UseNormalizing) {
        if (s.AdvancedNormalizing && p_.normalizer != nullptr) {
            info.normalizationLine = p_.normalizer->description();
        } else if (s.NormalizeLimit) {
            info.normalizationLine =
                p_.texts.format("Norm1Rip", s.NormalizeTo, s.NormalizeLow, s.NormalizeHigh);
        } else {
            info.normalizationLine = p_.texts.format("Norm2Rip", s.NormalizeTo);
        }
        if (s.ComputerSpeed > 0) {
            info.expectedNormalizationTime = CopyingTimeText(
                static_cast<std::int64_t>(static_cast<double>(seconds) / (s.ComputerSpeed * 0.01)));
        }
    } else {
        info.normalizationLine = p_.texts.text("Norm3Rip");
    }

    if (s.UseL3enc && p_.encoder != nullptr) {
        info.encoderLine = p_.encoder->description();
        const double audioSeconds =
            static_cast<double>(std::max(sectors - s.DiscardOffset, 0)) / kSectorsPerSecond;
        auto encodeSeconds =
            static_cast<std::int64_t>(audioSeconds * (s.L3encHQBit ? s.CodecHq : s.CodecLq));
        if (direct) {
            readSeconds = encodeSeconds = std::max(readSeconds, encodeSeconds);
        }
        char text[48];
        if (encodeSeconds >= 3600) {
            std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                          static_cast<long long>(encodeSeconds / 3600),
                          static_cast<long long>(encodeSeconds / 60 % 60),
                          static_cast<long long>(encodeSeconds % 60));
        } else {
            std::snprintf(text, sizeof text, "%02lld:%02lld",
                          static_cast<long long>(encodeSeconds / 60),
                          static_cast<long long>(encodeSeconds % 60));
        }
        info.expectedEncodingTime = text;
    }
    info.expectedReadTime = CopyingTimeText(readSeconds);
    return info;
}

bool GrabJob::abortRequested() {
    return p_.ui.skipRequested() || p_.ui.abortAllRequested();
}

bool GrabJob::waitMs(std::int64_t milliseconds, const std::function<bool()>& stop) {
    const std::int64_t deadline = p_.clock.nowMs() + milliseconds;
    for (;;) {
        if (p_.pump) {
            p_.pump();
        }
        if (stop && stop()) {
            return false;
        }
        const std::int64_t left = deadline - p_.clock.nowMs();
        if (left <= 0) {
            return true;
        }
        p_.clock.sleepMs(static_cast<int>(std::min<std::int64_t>(left, kWaitStepMs)));
    }
}

bool GrabJob::retryCountdown(std::string_view key) {
    const std::string text(p_.texts.text(key));
    for (int left = kRetrySeconds; left >= 0; --left) {
        p_.ui.setCopyingCaption(text +
                                std::string(static_cast<std::size_t>(std::max(left, 1)), '.'));
        if (left > 0 && !waitMs(1000, [this] { return abortRequested(); })) {
            return false;
        }
    }
    return true;
}

bool GrabJob::spinUp(const CopyRange& range) {
    const std::string text(p_.texts.text("SpinUpRip"));
    const std::int64_t start = p_.clock.nowMs();
    p_.ui.showSpinUp(text, CopyingTimeText(0));
    std::int32_t next = range.first + kSpinUpSkip;
    while (p_.clock.nowMs() - start < kSpinUpMs) {
        if (abortRequested()) {
            return false;
        }
        // The spin-up reads stay inside the range: past its end they start over.
        if (next > range.last) {
            next = range.first + kSpinUpSkip;
        }
        RecordRequest read;
        read.startSector = std::min(next, range.last);
        read.endSector = std::min(next + kSpinUpSectors - 1, range.last);
        read.options = 0;
        read.checksumOff = 1;
        p_.readMethod.StartRecord(read);
        next += kSpinUpSectors;
        if (p_.pump) {
            p_.pump();
        }
        p_.ui.showSpinUp(text, CopyingTimeText((p_.clock.nowMs() - start) / 1000));
    }
    return !abortRequested();
}

int GrabJob::recordWithHelper(const RecordRequest& request) {
    if (p_.settings.SpinUpDisc) {
        const std::int64_t start = p_.clock.nowMs();
        std::int32_t next = request.startSector + kSpinUpSkip;
        while (p_.clock.nowMs() - start < kSpinUpMs && !abortRequested()) {
            RecordRequest read;
            read.startSector = next;
            read.endSector = next + kHelperSpinUpSectors - 1;
            read.checksumOff = 1;
            p_.readMethod.StartRecord(read);
            p_.readMethod.ContinueRecord();
            next += kHelperSpinUpStep;
            if (p_.pump) {
                p_.pump();
            }
        }
    }
    if (p_.readMethod.StartRecord(request) == record_result::kNotStarted) {
        return record_result::kRangeNotInOneTrack;
    }
    for (;;) {
        if (p_.pump) {
            p_.pump();
        }
        if (abortRequested()) {
            p_.readMethod.QuitRecord();
            return p_.ui.abortAllRequested() ? record_result::kAbortedAll
                                             : record_result::kAbortedTrack;
        }
        const std::int32_t status = p_.readMethod.ContinueRecord();
        if (status == record_result::kHelperFinished) {
            p_.readMethod.EndRecord();
            return record_result::kDone;
        }
        if (status == record_result::kSynchLost) {
            return record_result::kSynchLost;
        }
        if (status == record_result::kAbortedTrack) {
            p_.readMethod.QuitRecord();
            return record_result::kAbortedTrack;
        }
    }
}

GrabJob::CopyResult GrabJob::copyTrack(std::size_t row, GrabMode mode) {
    const Settings& s = p_.settings;
    TrackRecord& track = p_.disc.trackAtRow(row);
    const int number = p_.disc.rows[row];
    const int accessMode = p_.readMethod.currentAccessMode;
    const bool direct = p_.encoder != nullptr && p_.encoder->directEncodingActive();

    TrackSpan span;
    span.start = track.start;
    span.end = track.end;
    span.lastTrackOfDisc = number == p_.disc.lastTrack;
    span.discLastSector = p_.disc
                              .tracks[static_cast<std::size_t>(
                                  std::clamp(p_.disc.lastTrack, 0, DiscRecord::kMaxTrackNumber))]
                              .end;
    if (span.discLastSector < span.end) {
        span.discLastSector = span.end;
    }
    const CopyRange range = TrackCopyRange(s, span);
    p_.hooks->prepareFades(range);

    RecordRequest request;
    request.startSector = range.first;
    request.endSector = range.last;
    request.leadingSilenceLimit = SilenceLimit(s.DeleteLeadingSilence, s.LeadingSilence);
    request.trailingSilenceLimit = SilenceLimit(s.DeleteTrailingSilence, s.TrailingSilence);
    request.options = mode == GrabMode::Grab ? RecordRequest::kWriteFile : 0;
    request.checksumOff = s.NoChecksum ? 1 : 0;
    request.skipSectors = static_cast<std::int16_t>(s.DiscardOffset);

    track.results = TrackCopyResults{};
    track.information.clear();
    p_.ui.rowChanged(row);
    p_.ui.showCopying(trackInfo(range, row, mode));

    auto stopHere = [&] {
        p_.ui.setMainWindowEnabled(true);
        p_.ui.hideCopying();
        refreshRow(row);
    };

    if (s.SpinUpDisc && !spinUp(range)) {
        track.results = TrackCopyResults{};
        track.results.copyStatus = copy_status::kAborted;
        if (p_.ui.abortAllRequested()) {
            jobAborted_ = true;
        }
        trackAborted_ = true;
        stopHere();
        return jobAborted_ ? CopyResult::StopJob : CopyResult::Done;
    }
    p_.ui.setSpeedLabel(std::string(
        p_.texts.text(direct && mode == GrabMode::Grab ? "ReadNEncSpeedRip" : "ReadSeedRip")));

    int result = p_.readMethod.StartRecord(request);
    if (accessMode == access_mode::kMscdex && result != record_result::kNotStarted) {
        result = recordWithHelper(request);
    }
    if (result == record_result::kNotStarted) {
        track.results = TrackCopyResults{};
        track.results.copyStatus = CopyStatusForResult(
            accessMode, result, p_.encoder != nullptr && p_.encoder->directEncodingFailed());
        stopHere();
        return CopyResult::StopJob;
    }

    TrackCopyResults& r = track.results;
    r.checksum = s.NoChecksum ? 0 : p_.readMethod.GetCheckSum();
    r.checksumState = p_.readMethod.TestChecksum();
    r.checksumAvailable = !s.NoChecksum && accessMode != access_mode::kAnalog;
    if (p_.figures != nullptr && accessMode != access_mode::kAnalog) {
        const ExtractionFigures figures = p_.figures->lastCopy();
        r.speed = figures.speed;
        r.lostSynchs = figures.lostSynchs;
        r.speedProblems = figures.speedProblems;
        r.possibleSpeedProblems = figures.possibleSpeedProblems;
    }
    r.copyStatus = CopyStatusForResult(accessMode, result, false);
    ClearResultsForStatus(r);
    if (result == record_result::kAbortedTrack) {
        trackAborted_ = true;
    } else if (result == record_result::kAbortedAll) {
        trackAborted_ = true;
        jobAborted_ = true;
    }
    if (result == record_result::kWriteFailed) {
        // A full disk or a failing write: what reached temp.wav is not the track.
        removeTemporaryWave();
    }

    const bool measured =
        (accessMode == access_mode::kAspi || accessMode == access_mode::kMscdex) &&
        result == record_result::kDone;
    if (measured && !s.LockTimeCalculation && r.speed > 0 && (!direct || r.speed > s.CDSpeed)) {
        p_.settings.CDSpeed = static_cast<std::int16_t>((s.CDSpeed + r.speed) / 2);
    }

    if (result == record_result::kSynchLost) {
        return CopyResult::Refused;
    }
    if (accessMode == access_mode::kAspi && result == record_result::kRetriesExhausted) {
        return CopyResult::Retry;
    }
    if (accessMode == access_mode::kAspi && result == record_result::kCommandIncomplete) {
        stopHere();
        return CopyResult::StopJob;
    }
    return CopyResult::Done;
}

NamingSources GrabJob::namingSources(const TrackRecord& track, int trackNumber) {
    NamingSources sources;
    sources.artist = p_.disc.artist;
    sources.album = p_.disc.album;
    sources.trackNumber = trackNumber;
    sources.trackName = track.name;
    sources.cddbId = p_.discCheck.cddbId();
    return sources;
}

void GrabJob::finishTrack(std::size_t row, GrabMode mode) {
    if (mode == GrabMode::Test) {
        return;
    }
    const Settings& s = p_.settings;
    TrackRecord& track = p_.disc.trackAtRow(row);
    const int number = p_.disc.rows[row];
    const bool aborted = trackAborted_ || jobAborted_;
    const bool direct = p_.encoder != nullptr && p_.encoder->directEncodingActive();
    if (track.results.copyStatus == copy_status::kTempNotWritable) {
        removeTemporaryWave();
        return;
    }

    const NamingSources sources = namingSources(track, number);
    const std::string name = BuildFileName(s, sources);
    const std::string wave = temporaryWavePath();

    if (s.AppendID3toWavFile && !direct && !aborted) {
        TrackTagFields fields;
        fields.title = track.name;
        fields.artist = p_.disc.artist;
        fields.album = p_.disc.album;
        fields.year = s.ID3Year;
        fields.comment = s.ID3Comment;
        fields.genre = static_cast<std::uint8_t>(s.ID3Genre);
        TrackTagOptions options = TrackTagNamingOptions(s);
        options.cdRip = true;
        options.directEncoding = false;
        AppendTrackTag(wave, fields, track.results.checksum, name, options);
    }
    if (s.UseNormalizing && !aborted && !direct && p_.normalizer != nullptr) {
        p_.normalizer->normalize(wave, track.results);
        refreshRow(row);
    }

    // Without an encoder to hand the wave to, the wave is kept as the result.
    const bool encoding = s.UseL3enc && p_.encoder != nullptr;
    if (encoding && !direct && !aborted && !s.RipAllTracksBeforeEncoding) {
        GrabEncodeRequest request;
        request.row = row;
        request.name = name;
        request.sources = sources;
        request.wavePath = wave;
        request.frames = track.frames();
        request.checksum = track.results.checksum;
        const int started = p_.encoder->startEncoding(request);
        if (nothingToWaitFor(started)) {
            if (s.DeleteWave) {
                removeTemporaryWave();
            } else {
                const StoreResult stored = StoreWave(p_.fileSystem, s, sources, name);
                track.results.waveStoreCode = stored.code;
                track.results.wavePath = stored.path;
            }
        } else if (!waitForEncoder()) {
            jobAborted_ = true;
        }
    }
    if (aborted || jobAborted_) {
        removeTemporaryWave();
    }
    const bool notEncodedNow = !direct && (!encoding || s.RipAllTracksBeforeEncoding);
    if (notEncodedNow && !aborted && !jobAborted_) {
        const StoreResult stored = StoreWave(p_.fileSystem, s, sources, name);
        track.results.waveStoreCode = stored.code;
        track.results.wavePath = stored.path;
        if (stored.code != kNotStored) {
            grabbed_.push_back({row, track.name, stored.path});
        }
    }
    refreshRow(row);
}

bool GrabJob::waitForEncoder() {
    p_.ui.showEncoderWait();
    p_.ui.setCopyingEnabled(false);
    bool done = false;
    for (;;) {
        if (p_.pump) {
            p_.pump();
        }
        if (p_.encoder->encoderDone()) {
            done = true;
            break;
        }
        if (abortRequested() || p_.ui.encoderWaitAborted()) {
            break;
        }
        p_.clock.sleepMs(kEncoderPollMs);
    }
    p_.encoder->stopCompletionTimer();
    p_.ui.hideEncoderWait();
    p_.ui.setCopyingEnabled(true);
    return done;
}

void GrabJob::secondPhase() {
    const Settings& s = p_.settings;
    if (!s.UseL3enc || p_.encoder == nullptr || p_.encoder->directEncodingActive() || jobAborted_ ||
        !s.RipAllTracksBeforeEncoding) {
        return;
    }
    for (const GrabbedFile& file : grabbed_) {
        currentRow_ = file.row;
        p_.hooks->updateEstimates(file.row, estimate_phase::kEncodingGrabbed);
        const TrackRecord& track = p_.disc.trackAtRow(file.row);
        NamingSources sources = namingSources(track, p_.disc.rows[file.row]);
        sources.trackName = file.trackName;
        GrabEncodeRequest request;
        request.row = file.row;
        request.name = BuildFileName(s, sources);
        request.sources = sources;
        request.wavePath = file.wavePath;
        request.frames = track.frames();
        request.checksum = track.results.checksum;
        p_.ui.setCopyingCaption(copyingCaption("EncodingRip", file.trackName));
        const int started = p_.encoder->startEncoding(request);
        if (!nothingToWaitFor(started) && !waitForEncoder()) {
            jobAborted_ = true;
            break;
        }
        if (s.DeleteWave) {
            std::error_code ignored;
            std::filesystem::remove(file.wavePath, ignored);
        }
    }
    grabbed_.clear();
}

void GrabJob::endJob(GrabOutcome outcome) {
    const Settings& s = p_.settings;
    rowsDone_ = 0;
    p_.hooks->updateEstimates(rowsDone_, estimate_phase::kIdle);
    p_.ui.hideCopying();
    p_.ui.setMainWindowEnabled(true);
    restoreScreensaver();

    // A job that ended early (aborted, or the disc changed) skips the end actions.
    const bool ended = outcome == GrabOutcome::Completed;
    if (ended && s.StartPlaying) {
        if (s.ShutDownComputer) {
            p_.hooks->restoreMainWindow();
        }
        if (s.PlayGrabbedFiles) {
            p_.hooks->playGrabbedFiles(grabbed_);
        } else if (!s.EjectDiscAfterRipping) {
            p_.hooks->playSelectedTracksRandomly();
        }
    }
    if (muted_) {
        p_.hooks->setSpeakersMuted(false);
        muted_ = false;
    }
    if (ended && s.ShutDownComputer) {
        WriteStatusReport(p_.disc, p_.programDirectory);
        RunShutdownCountdown({s, p_.texts, p_.clock, p_.pump, p_.ui, *p_.hooks, p_.power});
    }
    if (ended && s.EjectDiscAfterRipping) {
        p_.readMethod.EjectDisc(false);
    }
    if (ended && s.ContinueRipping && p_.otherCopies != nullptr) {
        p_.otherCopies->sendToAnotherCopy(instance_message::kStartGrab);
    }
}

void GrabJob::refreshRow(std::size_t row) {
    TrackRecord& track = p_.disc.trackAtRow(row);
    track.information = trackInformationText(p_.texts, p_.settings, track.results);
    p_.ui.rowChanged(row);
}

std::string GrabJob::temporaryWavePath() const {
    return DestinationPath(p_.settings, "temp.wav");
}

void GrabJob::removeTemporaryWave() {
    std::error_code ignored;
    std::filesystem::remove(temporaryWavePath(), ignored);
}

void GrabJob::restoreScreensaver() {
    if (screensaverHeld_ && p_.screensaver != nullptr) {
        p_.screensaver->release();
    }
    screensaverHeld_ = false;
}

}  // namespace ps

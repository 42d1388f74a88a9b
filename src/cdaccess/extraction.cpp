#include "cdaccess/extraction.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "audio/rip_processor.h"

namespace ps {

namespace {

constexpr std::size_t kSector = kRawSectorBytes;
constexpr int kRing = AspiReadRing::kSlots;
constexpr int kFixedSlots = 5;
constexpr int kBurstWaitMs = 5000;
constexpr int kFixedPollMs = 8000;
constexpr int kAdaptivePollMs = 10000;
constexpr int kUnbufferedSends = 5;
constexpr int kAdaptiveFailuresLost = 6;
constexpr int kAdaptiveMaxOverlap = 21;
constexpr int kAdaptiveMaxShrinks = 9;
constexpr std::int32_t kReadableEndMargin = 180;
constexpr char kMarker[] = "qorvex";
constexpr std::size_t kMarkerLength = 6;

// The last track whose start sector is at or before `sector`; 0 when none is.
int TrackOf(const DiscTable& table, std::int32_t sector) {
    int found = 0;
    for (int t = std::max(table.firstTrack, 1);
         t <= std::min(table.lastTrack, DiscTable::kMaxTracks); ++t) {
        if (table.tracks[static_cast<std::size_t>(t)].startSector <= sector) {
            found = t;
        }
    }
    return found;
}

// The range lies inside one audio track, directly or once 150 sectors are taken off
// each end (the pregap the grab job's offsets may reach into).
bool InsideOneAudioTrack(const DiscTable& table, std::int32_t start, std::int32_t end) {
    if (end < start || table.empty()) {
        return false;
    }
    auto same = [&](std::int32_t a, std::int32_t b) {
        const int first = TrackOf(table, a);
        return first != 0 && first == TrackOf(table, b) &&
               !table.tracks[static_cast<std::size_t>(first)].dataTrack;
    };
    return same(start, end) || same(start + 150, end - 150);
}

}  // namespace

int RipMethodOfEntry(std::string_view text) {
    for (std::size_t i = 0; i < kRipMethodEntries.size(); ++i) {
        if (kRipMethodEntries[i] == text) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

int RipMethodOfSetting(std::string_view text) {
    for (std::size_t i = 0; i < kRipMethodEntries.size(); ++i) {
        if (kRipMethodEntries[i].substr(0, text.size()) == text) {
            return static_cast<int>(i) + 1;
        }
    }
    return rip_method::kBufferedBurst;
}

std::string TempWavePath(const std::string& directory) {
    if (directory.empty()) {
        return "temp.wav";
    }
    if (directory.back() == '/') {
        return directory + "temp.wav";
    }
    return directory + "/temp.wav";
}

// While an extraction runs, the transport's polled waits also end on the skip flag.
struct SynchronisedExtraction::HookGuard {
    AspiHooks& hooks;
    std::function<bool()> saved;
    HookGuard(AspiHooks& h, AbortFlags& flags) : hooks(h), saved(h.abortRequested) {
        hooks.abortRequested = [&flags, previous = saved] {
            return flags.track || (previous && previous());
        };
    }
    ~HookGuard() { hooks.abortRequested = saved; }
    HookGuard(const HookGuard&) = delete;
    HookGuard& operator=(const HookGuard&) = delete;
};

SynchronisedExtraction::SynchronisedExtraction(ScsiDrive& drive, RipProcessor& processor,
                                               const TextTable& texts, CopyingProgress& progress)
    : drive_(drive),
      transport_(drive.transport()),
      processor_(processor),
      texts_(texts),
      progress_(progress),
      report_(drive.transport().clock(), texts, progress) {}

int SynchronisedExtraction::StartRecord(const RecordRequest& request, const DiscTable& table,
                                        ExtractionStatistics& statistics,
                                        const ExtractionSettings& settings,
                                        const DirectEncoderHooks& encoder) {
    statistics = ExtractionStatistics{};
    error_ = 0;
    encoder_ = &encoder;
    int result = 0;
    {
        HookGuard guard(transport_.hooks(), flags());
        result = run(request, table, settings);
        forgetPending();
    }
    // Figures only of an extraction that reached the processing, never those of the last.
    if (analysed_) {
        const RipAnalysis& analysis = processor_.analysis();
        statistics.lowestSample = static_cast<std::int16_t>(analysis.trackLow);
        statistics.highestSample = static_cast<std::int16_t>(analysis.trackPeak);
        const RipChecksum checksum = processor_.Checksum();
        statistics.checksum = checksum.value;
        statistics.checksumStatus = static_cast<std::int16_t>(checksum.kind);
    }
    if (encoderStarted_) {
        if (result == record_result::kDone && encoder.finish) {
            encoder.finish();
        } else if (result != record_result::kDone && encoder.cancel) {
            encoder.cancel();
        }
    }
    encoder_ = nullptr;
    if (error_ != 0) {
        return record_result::kNotStarted;
    }
    return result;
}

int SynchronisedExtraction::run(const RecordRequest& request, const DiscTable& table,
                                const ExtractionSettings& settings) {
    request_ = request;
    settings_ = settings;
    path_.clear();
    const bool direct = encoder_ != nullptr && encoder_->active();
    write_ = request.writesFile() && !direct;
    start_ = request.startSector;
    end_ = request.endSector;
    spinUp_ = end_ - start_ == 25;
    flags().clear();
    lostSynch_ = 0;
    synchOffset_ = 0;
    nextRead_ = start_;
    nextDelivered_ = start_;
    skipRemaining_ = std::max<int>(0, request.skipSectors);
    overlap_ = 0;
    dataSize_ = 0;
    endReached_ = false;
    blockPeak_ = 0;
    bufferIndicator_ = 0;
    slowEvents_ = 0;
    averageSpeed_ = 0.0;
    result_ = 0;
    analysed_ = false;
    encoderStarted_ = false;

    if (!InsideOneAudioTrack(table, start_, end_)) {
        return record_result::kRangeNotInOneTrack;
    }
    // Reads that reach past the range must stop at the end of the audio area: the lead-out
    // or a data track that follows.
    readLimit_ = std::numeric_limits<std::int32_t>::max();
    const int endTrack = TrackOf(table, end_);
    if (endTrack == table.lastTrack ||
        table.tracks[static_cast<std::size_t>(endTrack + 1)].dataTrack) {
        readLimit_ = std::max(end_, table.tracks[static_cast<std::size_t>(endTrack)].endSector);
    }

    report_.reset();

    if (spinUp_) {
        burst_ = true;
        return unbufferedBurstCopy();
    }
    if (settings.sendStartUnit) {
        drive_.load();
    }
    const int m = settings.synchMethod;
    if (m > rip_method::kFixedLast || m < 0) {
        return record_result::kNotStarted;
    }
    if (direct) {
        if (!encoder_->start()) {
            error_ = 2;
            return record_result::kNotStarted;
        }
        encoderStarted_ = true;
    }
    burst_ = m <= rip_method::kUnbufferedBurst;
    if (m <= rip_method::kBufferedBurst) {
        return bufferedBurstCopy();
    }
    if (m == rip_method::kUnbufferedBurst) {
        return unbufferedBurstCopy();
    }
    if (m == rip_method::kAdaptive) {
        return adaptiveCopy();
    }
    return fixedOverlapCopy(m - 3);
}

int SynchronisedExtraction::begin(int slotsToClear) {
    for (int slot = 0; slot < slotsToClear; ++slot) {
        std::memset(ring_.buffer(slot), 0, AspiReadRing::kBufferBytes);
        ring_.requests[static_cast<std::size_t>(slot)].status = scsi_status::kPending;
    }
    active_.fill(false);

    path_ = settings_.outputPath.empty() ? TempWavePath(settings_.destinationDirectory)
                                         : settings_.outputPath;
    RipSetup setup;
    // Skipped sectors never reach the processing, so its first sector is the first kept one.
    setup.firstSector = spinUp_ ? start_ : start_ + skipRemaining_;
    setup.lastSector = end_;
    setup.keepLead = request_.leadingSilenceLimit;
    setup.keepTrail = request_.trailingSilenceLimit;
    setup.write = write_;
    setup.cdSource = true;
    setup.checksumOff = request_.checksumOff != 0;
    setup.byteOrder = settings_.byteOrder;
    setup.fadeIn = settings_.fadeIn;
    setup.fadeOut = settings_.fadeOut;
    setup.fadeSeconds = settings_.fadeSeconds;
    setup.logarithmicFade = settings_.logarithmicFade;
    if (encoder_ != nullptr && encoder_->active() && encoder_->chunk) {
        setup.directEncoder = encoder_->chunk;
    }
    if (write_ && !processor_.writer().create(path_)) {
        return record_result::kNotStarted;
    }
    if (processor_.BeginWaveFile(setup) != 1) {
        return record_result::kWriteFailed;
    }
    analysed_ = true;
    if (!spinUp_) {
        progress(ProgressValue::start());
        progress_.showCopying();
    }
    drive_.prepareReadMode(settings_.speedIndex);
    return record_result::kDone;
}

void SynchronisedExtraction::pump() {
    if (transport_.hooks().pump) {
        transport_.hooks().pump();
    }
}

bool SynchronisedExtraction::deliver(std::uint8_t* data, int sectors) {
    if (sectors <= 0) {
        return true;
    }
    const int skip = skipRemaining_;
    if (skip < sectors) {
        const int result = processor_.DeliverBatch(data + static_cast<std::size_t>(skip) * kSector,
                                                   sectors - skip);
        if (result == WaveWriteError) {
            result_ = record_result::kWriteFailed;
            return false;
        }
        if (result == 0 && !spinUp_) {
            // Direct encoding failed: the grab job reports it.
            flags().track = true;
            error_ = 1;
            result_ = record_result::kNotStarted;
            return false;
        }
        const RipAnalysis& analysis = processor_.analysis();
        blockPeak_ = std::max({blockPeak_, analysis.batchPeak, -analysis.batchLow});
    }
    dataSize_ += static_cast<std::uint64_t>(sectors - std::min(sectors, skip)) * kSector;
    skipRemaining_ = std::max(0, skip - sectors);
    nextDelivered_ += sectors;
    return true;
}

void SynchronisedExtraction::progress(const ProgressValue& value) {
    if (spinUp_) {
        return;
    }
    ProgressInput in;
    in.start = start_;
    in.end = end_;
    in.delivered = nextDelivered_;
    in.skip = std::max<int>(0, request_.skipSectors);
    in.overlap = overlap_;
    in.lostSynchCount = lostSynch_;
    in.burst = burst_;
    in.encodingWhileRipping = encoder_ != nullptr && encoder_->active() && write_;
    in.cdSpeed = settings_.cdSpeed;
    in.trackPeak = processor_.analysis().trackPeak;
    in.trackLow = processor_.analysis().trackLow;
    in.blockPeak = blockPeak_;
    in.bufferIndicator = bufferIndicator_;
    in.slowEvents = slowEvents_;
    report_.report(value, in);
    blockPeak_ = 0;
    if (report_.meterUpdated()) {
        bufferIndicator_ = 0;
    }
}

void SynchronisedExtraction::buildRead(int slot, std::int32_t first, int count, bool polled,
                                       int timeoutMs) {
    ScsiCommand command = audioReadCommand(transport_.driveFamily(), first, count);
    command.polled = polled;
    command.timeoutMs = timeoutMs;
    transport_.prepare(ring_.requests[static_cast<std::size_t>(slot)], command, ring_.buffer(slot));
    counts_[static_cast<std::size_t>(slot)] = count;
}

bool SynchronisedExtraction::readGood(int slot, int count) const {
    const ScsiRequest& r = ring_.requests[static_cast<std::size_t>(slot)];
    return r.status == scsi_status::kDone &&
           r.transferred >= static_cast<std::uint32_t>(count) * kSector;
}

std::uint8_t SynchronisedExtraction::failedStatus(int slot) const {
    const std::uint8_t status = ring_.requests[static_cast<std::size_t>(slot)].status;
    // A read that completed but moved less than it asked for failed all the same.
    return status == scsi_status::kDone ? scsi_status::kError : status;
}

bool SynchronisedExtraction::nearReadableEnd() const {
    const std::int32_t last = drive_.lastReadableSector();
    return last != 0 && last - nextDelivered_ < kReadableEndMargin;
}

std::int32_t SynchronisedExtraction::clampCount(std::int32_t first, std::int32_t count) const {
    const std::int64_t room = std::int64_t{readLimit_} - first + 1;
    return static_cast<std::int32_t>(
        std::max<std::int64_t>(1, std::min<std::int64_t>(count, room)));
}

void SynchronisedExtraction::forgetPending() {
    for (int slot = 0; slot < kRing; ++slot) {
        ScsiRequest& r = ring_.requests[static_cast<std::size_t>(slot)];
        if (active_[static_cast<std::size_t>(slot)] && r.status == scsi_status::kPending &&
            transport_.passThrough().poll(r) == scsi_status::kPending) {
            transport_.passThrough().abandon(r);
        }
        active_[static_cast<std::size_t>(slot)] = false;
    }
}

void SynchronisedExtraction::discardFile() {
    if (processor_.writer().isOpen()) {
        processor_.writer().discard();
    }
}

int SynchronisedExtraction::finishFile() {
    processor_.FinishWaveFile();
    const std::int64_t elapsed = transport_.clock().nowMs() - report_.startMs();
    const double ms = elapsed < 1 ? 100.0 : static_cast<double>(elapsed);
    averageSpeed_ = static_cast<double>(nextDelivered_ - start_) / ms * 13.3333;
    return record_result::kDone;
}

void SynchronisedExtraction::showButtonFor(bool abortAllButton, int ms) {
    const std::string busy(texts_.text(abortAllButton ? "AbortingRip" : "SkippingRip"));
    if (abortAllButton) {
        progress_.setAbortAllButton(busy);
    } else {
        progress_.setSkipButton(busy);
    }
    Clock& clock = transport_.clock();
    const std::int64_t until = clock.nowMs() + ms;
    while (clock.nowMs() < until) {
        pump();
        clock.sleepMs(10);
    }
    if (abortAllButton) {
        progress_.setAbortAllButton(std::string(texts_.text("AbortAllRip")));
    } else {
        progress_.setSkipButton(std::string(texts_.text("SkipThisRip")));
    }
}

int SynchronisedExtraction::abortResult(int skipMs) {
    forgetPending();
    discardFile();
    if (flags().all) {
        return record_result::kAbortedAll;
    }
    showButtonFor(false, skipMs);
    return record_result::kAbortedTrack;
}

int SynchronisedExtraction::lostSynch(int skipMs) {
    progress(ProgressValue::lost());
    forgetPending();
    discardFile();
    if (skipMs > 0) {
        showButtonFor(false, skipMs);
    }
    return record_result::kSynchLost;
}

// Ten requests in flight, taken back in the order they were sent; nothing is checked.
int SynchronisedExtraction::bufferedBurstCopy() {
    if (const int r = begin(kRing); r != record_result::kDone) {
        return r;
    }
    PassThrough& pass = transport_.passThrough();
    Clock& clock = transport_.clock();
    int i = 0;
    int j = -kRing;
    int lastSent = -1;
    bool previousNoWait = false;
    while (true) {
        if (nextRead_ <= end_) {
            const int count = std::min(kSectorsPerRead, end_ + 1 - nextRead_);
            buildRead(i, nextRead_, count, false, kBurstWaitMs);
            active_[static_cast<std::size_t>(i)] = true;
            pass.send(ring_.requests[static_cast<std::size_t>(i)]);
            lastSent = i;
            i = (i + 1) % kRing;
        }
        pump();
        if (abortSeen()) {
            // Every request still running is waited for before its buffer is touched again.
            discardFile();
            const bool all = flags().all;
            if (all) {
                progress_.setAbortAllButton(std::string(texts_.text("AbortingRip")));
            } else {
                progress_.setSkipButton(std::string(texts_.text("SkippingRip")));
            }
            pump();
            clock.sleepMs(200);
            for (int k = 0; k < kRing; ++k) {
                const int slot = ((j < 0 ? 0 : j) + k) % kRing;
                ScsiRequest& r = ring_.requests[static_cast<std::size_t>(slot)];
                if (active_[static_cast<std::size_t>(slot)] && r.status == scsi_status::kPending) {
                    transport_.awaitEvent(r, kBurstWaitMs);
                }
                pump();
            }
            forgetPending();
            if (all) {
                progress_.setAbortAllButton(std::string(texts_.text("AbortAllRip")));
                return record_result::kAbortedAll;
            }
            progress_.setSkipButton(std::string(texts_.text("SkipThisRip")));
            return record_result::kAbortedTrack;
        }
        j = j == kRing - 1 ? 0 : j + 1;

        if (j >= 0 && active_[static_cast<std::size_t>(j)]) {
            ScsiRequest& r = ring_.requests[static_cast<std::size_t>(j)];
            const std::int64_t before = clock.nowMs();
            const bool noWait = r.status != scsi_status::kPending;
            if (!noWait) {
                transport_.awaitEvent(r, kBurstWaitMs);
            }
            const bool waitedNothing = noWait || clock.nowMs() == before;
            if (waitedNothing && previousNoWait) {
                ++slowEvents_;
            }
            previousNoWait = waitedNothing;
            if (r.status == scsi_status::kPending) {
                pass.abandon(r);
            }
            active_[static_cast<std::size_t>(j)] = false;
            const int count = counts_[static_cast<std::size_t>(j)];
            if (!readGood(j, count)) {
                const std::uint8_t status = failedStatus(j);
                if (nextDelivered_ == end_) {
                    endReached_ = true;  // only the last sector is missing
                } else if (nearReadableEnd()) {
                    std::memset(ring_.buffer(j), 0, AspiReadRing::kBufferBytes);
                    endReached_ = true;
                } else {
                    transport_.reportAspiError(status);
                    forgetPending();
                    discardFile();
                    return status == scsi_status::kPending ? record_result::kCommandIncomplete
                                                           : status;
                }
            } else if (!endReached_) {
                // Blocks behind a dropped one would leave a gap: the audio ends there.
                const int q = std::min(kSectorsPerRead, end_ + 1 - nextDelivered_);
                if (!deliver(ring_.buffer(j), q)) {
                    forgetPending();
                    discardFile();
                    return result_;
                }
                int ready = 0;
                for (int slot = 0; slot < kRing; ++slot) {
                    ScsiRequest& other = ring_.requests[static_cast<std::size_t>(slot)];
                    if (active_[static_cast<std::size_t>(slot)] &&
                        pass.poll(other) != scsi_status::kPending) {
                        ++ready;
                    }
                }
                bufferIndicator_ = std::max(bufferIndicator_, ready);
                progress(ProgressValue::burst());
            }
        }
        if (nextRead_ <= end_) {
            nextRead_ += kSectorsPerRead;
        }
        if (nextRead_ > end_ && j == lastSent) {
            break;
        }
    }
    forgetPending();
    return finishFile();
}

// Two requests used in turn: the previous block is processed while the drive reads the next.
int SynchronisedExtraction::unbufferedBurstCopy() {
    if (const int r = begin(2); r != record_result::kDone) {
        return r;
    }
    PassThrough& pass = transport_.passThrough();
    Clock& clock = transport_.clock();
    int current = 0;
    bool havePrevious = false;
    bool previousNoWait = false;
    while (nextRead_ <= end_) {
        const int count = std::min(kSectorsPerRead, end_ + 1 - nextRead_);
        ScsiRequest& r = ring_.requests[static_cast<std::size_t>(current)];
        buildRead(current, nextRead_, count, false, kBurstWaitMs);
        active_[static_cast<std::size_t>(current)] = true;
        pass.send(r);
        if (havePrevious) {
            const int previous = 1 - current;
            const int q = std::min(kSectorsPerRead, end_ + 1 - nextDelivered_);
            if (!deliver(ring_.buffer(previous), q)) {
                forgetPending();
                discardFile();
                return result_;
            }
            progress(ProgressValue::burst());
        }
        for (int sends = 1;; ++sends) {
            const std::int64_t before = clock.nowMs();
            if (r.status == scsi_status::kPending) {
                transport_.awaitEvent(r, kBurstWaitMs);
            }
            const std::int64_t waited = clock.nowMs() - before;
            if (waited == 0 && previousNoWait) {
                bufferIndicator_ = 10;
                ++slowEvents_;
            } else {
                bufferIndicator_ =
                    std::max(bufferIndicator_, std::max<int>(0, 9 - static_cast<int>(waited / 10)));
            }
            previousNoWait = waited == 0;
            if (readGood(current, count)) {
                break;
            }
            // A read that timed out is abandoned and sent again like any failed one.
            if (r.status == scsi_status::kPending) {
                pass.abandon(r);
            }
            if (nearReadableEnd()) {
                std::memset(ring_.buffer(current), 0, AspiReadRing::kBufferBytes);
                endReached_ = true;
                break;
            }
            if (sends >= kUnbufferedSends) {
                const std::uint8_t status = failedStatus(current);
                transport_.reportAspiError(
                    status == scsi_status::kPending ? record_result::kCommandIncomplete : status);
                forgetPending();
                discardFile();
                return record_result::kRetriesExhausted;
            }
            buildRead(current, nextRead_, count, false, kBurstWaitMs);
            pass.send(r);
        }
        active_[static_cast<std::size_t>(current)] = false;
        pump();
        if (abortSeen()) {
            forgetPending();
            discardFile();
            return flags().all ? record_result::kAbortedAll : record_result::kAbortedTrack;
        }
        havePrevious = true;
        current = 1 - current;
        nextRead_ += kSectorsPerRead;
        if (endReached_) {
            // The failed read near the end of the audio area ends the track; its zeroed
            // buffer is not audio and is not delivered.
            havePrevious = false;
            break;
        }
    }
    if (havePrevious) {
        const int q = std::min(kSectorsPerRead, end_ + 1 - nextDelivered_);
        if (!deliver(ring_.buffer(1 - current), q)) {
            discardFile();
            return result_;
        }
        progress(ProgressValue::burst());
    }
    return finishFile();
}

// Each read overlaps the previous one by `o` sectors on both sides of the sector that
// follows the delivered audio; finding that sector again in the new read gives the
// displacement of the drive.
int SynchronisedExtraction::fixedOverlapCopy(int o) {
    if (const int r = begin(kRing); r != record_result::kDone) {
        return r;
    }
    overlap_ = o;
    const int step = kSectorsPerRead - 1 - 2 * o;
    const std::size_t base = static_cast<std::size_t>(o) * kSector;
    PassThrough& pass = transport_.passThrough();
    std::int32_t issue = start_;
    bool moreToIssue = true;
    bool first = true;
    int i = 0;
    int j = -kFixedSlots;
    while (true) {
        if (moreToIssue) {
            const std::int32_t count =
                clampCount(issue, std::min<std::int32_t>(kSectorsPerRead, end_ + 1 - issue + o));
            std::uint8_t* buffer = ring_.buffer(i);
            // Whatever lies past the end of the audio area reads as silence.
            std::memset(buffer + static_cast<std::size_t>(count) * kSector, 0,
                        AspiReadRing::kBufferBytes - static_cast<std::size_t>(count) * kSector);
            buildRead(i, issue, count, true, kFixedPollMs);
            active_[static_cast<std::size_t>(i)] = true;
            pass.send(ring_.requests[static_cast<std::size_t>(i)]);
            nextRead_ = issue;
            issue += step;
            moreToIssue = issue + o <= end_;
            i = (i + 1) % kFixedSlots;
        }
        pump();
        if (abortSeen()) {
            return abortResult(4000);
        }
        j = j == kFixedSlots - 1 ? 0 : j + 1;
        if (j < 0) {
            continue;
        }
        if (!active_[static_cast<std::size_t>(j)]) {
            if (!moreToIssue) {
                break;  // nothing left in flight
            }
            continue;
        }
        ScsiRequest& r = ring_.requests[static_cast<std::size_t>(j)];
        const AspiTransport::WaitResult wait = transport_.awaitPolled(r, kFixedPollMs);
        if (wait == AspiTransport::WaitResult::Aborted || abortSeen()) {
            return abortResult(4000);
        }
        if (r.status == scsi_status::kPending) {
            pass.abandon(r);
        }
        active_[static_cast<std::size_t>(j)] = false;
        if (!readGood(j, counts_[static_cast<std::size_t>(j)])) {
            if (nearReadableEnd()) {
                forgetPending();
                return finishFile();
            }
            const std::uint8_t status = failedStatus(j);
            transport_.reportAspiError(status);
            forgetPending();
            discardFile();
            return status == scsi_status::kPending ? record_result::kCommandIncomplete : status;
        }
        std::uint8_t* buffer = ring_.buffer(j);
        if (first) {
            first = false;
            const int lead = std::min(o, end_ + 1 - nextDelivered_);
            if (!deliver(buffer, lead)) {
                forgetPending();
                discardFile();
                return result_;
            }
            const int window = std::max(0, std::min(step, end_ + 1 - nextDelivered_));
            std::memcpy(reference_.data(),
                        buffer + base + static_cast<std::size_t>(window) * kSector, kSector);
            if (!deliver(buffer + base, window)) {
                forgetPending();
                discardFile();
                return result_;
            }
            synchOffset_ = 0;
            progress(ProgressValue::matched(0));
        } else {
            bool found = false;
            int offset = 0;
            for (std::size_t d = 0; d <= base && !found; d += 4) {
                if (std::memcmp(buffer + base + d, reference_.data(), kSector) == 0) {
                    offset = static_cast<int>(d);
                    found = true;
                } else if (std::memcmp(buffer + base - d, reference_.data(), kSector) == 0) {
                    offset = -static_cast<int>(d);
                    found = true;
                }
            }
            if (!found) {
                ++lostSynch_;
                offset = 0;
                if (!settings_.continueAfterLostSynch) {
                    synchOffset_ = -1;
                    return lostSynch(4000);
                }
            }
            synchOffset_ = found ? offset : -1;
            const int window = std::min(step, end_ + 1 - nextDelivered_);
            std::uint8_t* from = buffer + static_cast<std::ptrdiff_t>(base) + offset;
            std::memcpy(reference_.data(), from + static_cast<std::size_t>(window) * kSector,
                        kSector);
            if (!deliver(from, window)) {
                forgetPending();
                discardFile();
                return result_;
            }
            progress(found ? ProgressValue::matched(offset) : ProgressValue::lost());
        }
        if (nextDelivered_ > end_) {
            forgetPending();
            return finishFile();
        }
    }
    forgetPending();
    return finishFile();
}

// One read at a time, starting `overlap` sectors before the next sector wanted; the last
// delivered sector is looked for in the new read. The overlap widens after failed
// matches and narrows again after a run of good ones.
int SynchronisedExtraction::adaptiveCopy() {
    if (const int r = begin(kRing); r != record_result::kDone) {
        return r;
    }
    overlap_ = 2;
    PassThrough& pass = transport_.passThrough();
    ScsiRequest& r = ring_.requests[0];
    std::uint8_t* buffer = ring_.buffer(0);
    bool first = true;
    int failures = 0;
    int matches = 0;
    int shrinks = 0;
    while (nextRead_ <= end_) {
        const std::int32_t readStart = first ? nextRead_ : nextRead_ - overlap_;
        const std::int32_t count = clampCount(
            readStart, std::min<std::int32_t>(kSectorsPerRead, end_ + 1 - readStart + overlap_));
        const std::size_t expected = static_cast<std::size_t>(count) * kSector;
        std::memset(buffer, 0, AspiReadRing::kBufferBytes);
        buildRead(0, readStart, count, true, kAdaptivePollMs);
        // A transfer shorter than asked for leaves the marker in place.
        std::memcpy(buffer + expected - kMarkerLength, kMarker, kMarkerLength);
        active_[0] = true;
        pass.send(r);
        const AspiTransport::WaitResult wait = transport_.awaitPolled(r, kAdaptivePollMs);
        if (wait == AspiTransport::WaitResult::Aborted) {
            return abortResult(1500);
        }
        if (r.status == scsi_status::kPending) {
            pass.abandon(r);
        }
        active_[0] = false;
        const bool markerLeft =
            std::memcmp(buffer + expected - kMarkerLength, kMarker, kMarkerLength) == 0;
        if (!readGood(0, count) || markerLeft) {
            if (nearReadableEnd()) {
                std::memset(buffer, 0, AspiReadRing::kBufferBytes);
                return finishFile();
            }
            const std::uint8_t status = failedStatus(0);
            transport_.reportAspiError(status);
            discardFile();
            return status == scsi_status::kPending ? record_result::kCommandIncomplete : status;
        }
        pump();
        if (abortSeen()) {
            return abortResult(1500);
        }

        int offset = 0;
        bool lost = false;
        if (first) {
            first = false;
            if (!deliver(buffer, std::min(overlap_, end_ + 1 - nextDelivered_))) {
                discardFile();
                return result_;
            }
            nextRead_ += overlap_;
            synchOffset_ = 0;
            progress(ProgressValue::matched(0));
            if (nextRead_ > end_) {
                break;
            }
        } else {
            const std::int64_t sector = kSector;
            const std::int64_t at = std::int64_t{overlap_ - 1} * sector;
            const std::int64_t limit = 25 * sector;
            bool found = false;
            for (std::int64_t d = 0; d <= std::int64_t{overlap_} * sector && !found; d += 4) {
                if (at + d < limit &&
                    std::memcmp(buffer + at + d, reference_.data(), kSector) == 0) {
                    offset = static_cast<int>(d);
                    found = true;
                } else if (at - d >= 0 &&
                           std::memcmp(buffer + at - d, reference_.data(), kSector) == 0) {
                    offset = -static_cast<int>(d);
                    found = true;
                }
            }
            // A match so far ahead that nothing new would follow it cannot move the copy on.
            if (found &&
                kSectorsPerRead - overlap_ -
                        (offset + static_cast<int>(kSector) - 1) / static_cast<int>(kSector) <
                    1) {
                found = false;
            }
            if (!found) {
                ++failures;
                matches = 0;
                if (failures < kAdaptiveFailuresLost) {
                    if ((failures == 1 || failures == 3 || failures == 5) &&
                        overlap_ < kAdaptiveMaxOverlap) {
                        ++overlap_;
                    }
                    continue;
                }
                offset = 0;
                lost = true;
                ++lostSynch_;
                if (!settings_.continueAfterLostSynch) {
                    synchOffset_ = -1;
                    return lostSynch(0);
                }
            }
        }
        failures = 0;
        const int ahead = (offset + static_cast<int>(kSector) - 1) / static_cast<int>(kSector);
        const int window = std::min(kSectorsPerRead - overlap_ - ahead, end_ + 1 - nextRead_);
        std::uint8_t* from =
            buffer + static_cast<std::ptrdiff_t>(overlap_) * static_cast<std::ptrdiff_t>(kSector) +
            offset;
        std::memcpy(reference_.data(), from + static_cast<std::size_t>(window - 1) * kSector,
                    kSector);
        if (!deliver(from, window)) {
            discardFile();
            return result_;
        }
        synchOffset_ = lost ? -1 : offset;
        progress(lost ? ProgressValue::lost() : ProgressValue::matched(offset));
        if (!lost) {
            ++matches;
            if (matches > 1 && overlap_ > 3) {
                --overlap_;
                matches = 0;
            } else if (matches > 2 && overlap_ > 2 && shrinks < kAdaptiveMaxShrinks) {
                --overlap_;
                matches = 0;
                ++shrinks;
            }
        }
        nextRead_ += window;
    }
    return finishFile();
}

}  // namespace ps

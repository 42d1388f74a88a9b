#include "cdaccess/extraction_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ps {

namespace {

constexpr double kSpeedFactor = 13.3333;  // sectors per millisecond against 75 per second
constexpr std::int64_t kMeterIntervalMs = 200;

// The synchronisation text without its number, for the lost state: the number has no
// meaning then.
std::string LostSynchText(const TextTable& texts) {
    std::string base(texts.text("SyncValRip"));
    const auto mark = base.find("%d");
    if (mark != std::string::npos) {
        base.erase(mark);
    } else {
        base += ' ';
    }
    return base + std::string(texts.text("LostSyncRip"));
}

}  // namespace

ExtractionProgressReport::ExtractionProgressReport(Clock& clock, const TextTable& texts,
                                                   CopyingProgress& view)
    : clock_(clock), texts_(texts), view_(view) {}

void ExtractionProgressReport::reset() {
    startMs_ = clock_.nowMs();
    firstBlock_ = true;
    baselineMs_ = startMs_;
    baselineCount_ = 0;
    sinceFirstMs_ = 0;
    speed_ = 0.0;
    previousSpeed_ = 0.0;
    speedWrittenMs_ = startMs_;
    timeLeftWritten_ = false;
    lastTimeLeft_ = -1;
    meterEver_ = false;
    meterMs_ = startMs_;
    meterPeak_ = 0;
    meterUpdated_ = false;
}

void ExtractionProgressReport::report(const ProgressValue& value, const ProgressInput& in) {
    meterUpdated_ = false;
    const std::int64_t now = clock_.nowMs();
    const std::int32_t count = in.delivered - in.start;
    const std::int64_t total = std::int64_t{in.end} - in.start + 1;
    meterPeak_ = std::max(meterPeak_, in.blockPeak);

    const int percent =
        total > 0 ? static_cast<int>(static_cast<double>(count) / static_cast<double>(total) * 100)
                  : 0;
    view_.setPercent(percent);
    view_.setElapsed(ElapsedText(now - startMs_));

    const bool start = value.kind == ProgressValue::Kind::Start;
    const bool first = firstBlock_;
    if (!start) {
        if (first) {
            baselineMs_ = now;
            baselineCount_ = count;
        } else {
            sinceFirstMs_ = now - baselineMs_;
        }
    }

    switch (value.kind) {
        case ProgressValue::Kind::Start:
            if (!in.burst) {
                view_.setStatusLine(std::string(texts_.text("NoSyncLossRip")));
            }
            break;
        case ProgressValue::Kind::Burst:
            break;
        case ProgressValue::Kind::Offset:
            view_.setSynchLine(texts_.format("SyncValRip", value.offset));
            view_.UpdateSynch(value.offset, in.overlap);
            break;
        case ProgressValue::Kind::Lost:
            view_.setSynchLine(LostSynchText(texts_));
            view_.setSynchIndicator(15);
            view_.setStatusLine(in.lostSynchCount < 2
                                    ? std::string(texts_.text("SyncLost2Rip"))
                                    : texts_.format("SyncLostRip", in.lostSynchCount));
            break;
    }

    const double l = sinceFirstMs_ < 1 ? 100.0 : static_cast<double>(sinceFirstMs_);
    if (!start && !first) {
        speed_ = static_cast<double>(count - baselineCount_) / l * kSpeedFactor;
        const double change = speed_ - previousSpeed_;
        if (change >= 0.01 || change <= -0.03 || now - speedWrittenMs_ > 1000) {
            char figure[32];
            std::snprintf(figure, sizeof figure, " %.2fx", speed_);
            const char* key = in.encodingWhileRipping ? "ReadNEncSpeedRip" : "ReadSeedRip";
            view_.setSpeedLine(std::string(texts_.text(key)) + figure);
            speedWrittenMs_ = now;
        }
        previousSpeed_ = speed_;
    }

    view_.setReadingSector(std::to_string(count));
    {
        const std::string mbytes(texts_.text("MbytesRip"));
        char text[96];
        const std::int64_t written = std::int64_t{count} - in.skip;
        if (written < 0) {
            std::snprintf(text, sizeof text, "0.00 %s", mbytes.c_str());
        } else {
            std::snprintf(text, sizeof text, "%.2f %s",
                          static_cast<double>(written) * 2352.0 / 1048576.0, mbytes.c_str());
        }
        view_.setDiscWrite(text);
    }

    if (!start && !first && sinceFirstMs_ > 499) {
        double rate = static_cast<double>(count - baselineCount_) / l * kSpeedFactor;
        if (rate == 0.0) {
            rate = in.cdSpeed / 100.0;
        }
        const double remaining = static_cast<double>(std::int64_t{in.end} + 1 - in.delivered);
        const std::int64_t seconds =
            rate > 0.0 ? static_cast<std::int64_t>(remaining / rate / 75.0) : 0;
        if (!(timeLeftWritten_ && seconds == lastTimeLeft_ + 1)) {
            view_.setTimeLeft(TimeLeftText(seconds));
            lastTimeLeft_ = seconds;
            timeLeftWritten_ = true;
        }
    }

    if (!meterEver_ || now - meterMs_ >= kMeterIntervalMs) {
        const int level = std::max(std::abs(in.trackLow), in.trackPeak);
        view_.setPeak(std::to_string(static_cast<int>(level / 32767.0 * 100)) + "%");
        if (in.burst) {
            view_.setStatusLine(texts_.format("PosProbsRip", in.slowEvents));
            view_.setSynchIndicator(std::clamp(in.bufferIndicator, 0, 10));
        }
        view_.UpdateMeter(meterPeak_);
        meterPeak_ = 0;
        meterMs_ = now;
        meterEver_ = true;
        meterUpdated_ = true;
    }

    if (!start) {
        firstBlock_ = false;
    }
}

}  // namespace ps

#include "grab/copying_normalize_progress.h"

#include <cstdio>

namespace ps {

void CopyingNormalizeProgress::stage(Stage, const std::string&, int, int) {
    lastTimeLeftMs_ = 0;
    shownSecondsLeft_ = std::numeric_limits<std::int64_t>::max();
    window_.setPercent(0);
}

void CopyingNormalizeProgress::level(int peak) {
    window_.UpdateMeter(peak > 32767 ? 32767 : peak);
    window_.setPeak(std::to_string(static_cast<int>(peak * 100LL / 32767)) + "%");
}

void CopyingNormalizeProgress::progress(int percent, std::int64_t elapsedMs) {
    window_.setPercent(percent);
    window_.setElapsed(ElapsedText(elapsedMs));
    if (percent <= 0 || elapsedMs - lastTimeLeftMs_ < kTimeLeftIntervalMs) {
        return;
    }
    lastTimeLeftMs_ = elapsedMs;
    const std::int64_t secondsLeft = elapsedMs * (100 - percent) / percent / 1000;
    if (secondsLeft < shownSecondsLeft_) {
        shownSecondsLeft_ = secondsLeft;
        window_.setTimeLeft(TimeLeftText(secondsLeft));
    }
}

void CopyingNormalizeProgress::newValues(const NormalizeStatistics& statistics) {
    char text[48];
    std::snprintf(text, sizeof text, "Average was %.2f%%", statistics.oldAverage);
    window_.setStatusLine(text);
}

}  // namespace ps

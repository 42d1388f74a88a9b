#include "cdaccess/copying_window.h"

#include <cstdio>
#include <cstdlib>

namespace ps {

MeterStates MeterSegments(int level) {
    const int n = static_cast<int>(static_cast<std::int64_t>(level) * 40 / 32768);
    if (n <= 10) {
        return {n < 0 ? 0 : n, 0, 0, 0};
    }
    if (n <= 20) {
        return {10, n - 10, 0, 0};
    }
    if (n <= 30) {
        return {10, 10, n - 20, 0};
    }
    return {10, 10, 10, n - 30 > 10 ? 10 : n - 30};
}

int SynchIndicatorState(int offset, int scale) {
    if (offset == -1) {
        return 15;
    }
    const std::int64_t m = std::llabs(static_cast<long long>(offset));
    const std::int64_t s = scale;
    const int level = (m > 0) + (m > 16 * s) + (m > 200 * s) + (m > 500 * s) + (m > 800 * s) +
                      (m > 1300 * s) + (m > 1800 * s);
    if (level == 0) {
        return 0;
    }
    return offset < 0 ? level : 7 + level;
}

std::string ElapsedText(std::int64_t milliseconds) {
    const std::int64_t seconds = milliseconds / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>((seconds / 60) % 60),
                  static_cast<int>(seconds % 60));
    return text;
}

std::string TimeLeftText(std::int64_t seconds) {
    char text[48];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                      static_cast<int>((seconds / 60) % 60), static_cast<int>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(seconds / 60),
                      static_cast<int>(seconds % 60));
    }
    return text;
}

CopyingWindow::CopyingWindow(const TextTable& texts, AbortFlags& flags)
    : texts_(texts), flags_(flags) {
    applyTexts();
}

void CopyingWindow::applyTexts() {
    writeLabel = texts_.text("WriteRip");
    sizeLabel = texts_.text("SizeRip");
    readingSectorLabel = texts_.text("RSectorRip");
    totalSectorsLabel = texts_.text("TSectorRip");
    elapsedLabel = texts_.text("TElapsedRip");
    trackLengthLabel = texts_.text("TLengthRip");
    timeLeftLabel = texts_.text("TLeftRip");
    peakLabel = texts_.text("PeakFoundRip");
    skipButton = texts_.text("SkipThisRip");
    abortAllButton = texts_.text("AbortAllRip");
    notify(Field::SkipButton);
    notify(Field::AbortAllButton);
}

void CopyingWindow::notify(Field field) {
    if (changed) {
        changed(field);
    }
}

void CopyingWindow::set(std::string& slot, const std::string& text, Field field) {
    slot = text;
    notify(field);
}

void CopyingWindow::SkipClick() {
    flags_.track = true;
}

void CopyingWindow::AbortAllClick() {
    flags_.track = true;
    flags_.all = true;
}

void CopyingWindow::Close() {
    flags_.track = true;
    flags_.all = true;
    visible_ = false;
    notify(Field::Visible);
}

void CopyingWindow::showCopying() {
    flags_.clear();
    visible_ = true;
    notify(Field::Visible);
}

void CopyingWindow::setTotalSize(const std::string& text) {
    set(totalSize, text, Field::TotalSize);
}
void CopyingWindow::setTotalSectors(const std::string& text) {
    set(totalSectors, text, Field::TotalSectors);
}
void CopyingWindow::setTrackLength(const std::string& text) {
    set(trackLength, text, Field::TrackLength);
}

void CopyingWindow::setPercent(int value) {
    percent = value < 0 ? 0 : (value > 100 ? 100 : value);
    percentText = std::to_string(value) + "%";
    notify(Field::Percent);
}
void CopyingWindow::setElapsed(const std::string& text) {
    set(elapsed, text, Field::Elapsed);
}
void CopyingWindow::setTimeLeft(const std::string& text) {
    set(timeLeft, text, Field::TimeLeft);
}
void CopyingWindow::setSpeedLine(const std::string& text) {
    set(speedLine, text, Field::SpeedLine);
}
void CopyingWindow::setReadingSector(const std::string& text) {
    set(readingSector, text, Field::ReadingSector);
}
void CopyingWindow::setDiscWrite(const std::string& text) {
    set(discWrite, text, Field::DiscWrite);
}
void CopyingWindow::setPeak(const std::string& text) {
    set(peak, text, Field::Peak);
}
void CopyingWindow::setSynchLine(const std::string& text) {
    set(synchLine, text, Field::SynchLine);
}
void CopyingWindow::setStatusLine(const std::string& text) {
    set(statusLine, text, Field::StatusLine);
}
void CopyingWindow::setSynchIndicator(int state) {
    synchIndicator = state;
    notify(Field::SynchIndicator);
}
void CopyingWindow::setSkipButton(const std::string& text) {
    set(skipButton, text, Field::SkipButton);
}
void CopyingWindow::setAbortAllButton(const std::string& text) {
    set(abortAllButton, text, Field::AbortAllButton);
}

void CopyingWindow::UpdateMeter(int level) {
    const MeterStates next = MeterSegments(level);
    bool any = false;
    for (std::size_t i = 0; i < next.size(); ++i) {
        if (next[i] != meter[i]) {
            meter[i] = next[i];
            ++meterRedraws;
            any = true;
        }
    }
    if (any) {
        notify(Field::Meter);
    }
}

void CopyingWindow::UpdateSynch(int offset, int scale) {
    setSynchIndicator(SynchIndicatorState(offset, scale));
}

}  // namespace ps

#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "i18n/text_table.h"

namespace ps {

// The two stop requests of a grab: Skip sets `track`, Abort all sets both. The readers
// (extraction loops, analog grab, grab job) poll and clear them.
struct AbortFlags {
    bool track = false;
    bool all = false;
    void clear() { track = all = false; }
};

// Level meter: four strips of 11 states for a sample magnitude 0..32767.
using MeterStates = std::array<int, 4>;
MeterStates MeterSegments(int level);

// Synchronisation indicator state 0..15 for a synch offset in bytes (-1: lost) and the
// overlap in sectors.
int SynchIndicatorState(int offset, int scale);

// "%d:%02d" (minutes and seconds modulo 60), as the elapsed time shows.
std::string ElapsedText(std::int64_t milliseconds);
// "%d:%02d", or "%02d:%02d:%02d" from one hour on.
std::string TimeLeftText(std::int64_t seconds);

// What the extraction writes while it runs: the running fields of the "Copying" window.
// The texts arrive formatted; a window shows them as they are.
class CopyingProgress {
  public:
    virtual ~CopyingProgress() = default;

    virtual AbortFlags& abortFlags() = 0;
    // Shows the window; showing clears both abort flags.
    virtual void showCopying() = 0;

    virtual void setPercent(int percent) = 0;  // bar 0..100 and "%d%"
    virtual void setElapsed(const std::string& text) = 0;
    virtual void setTimeLeft(const std::string& text) = 0;
    virtual void setSpeedLine(const std::string& text) = 0;
    virtual void setReadingSector(const std::string& text) = 0;
    virtual void setDiscWrite(const std::string& text) = 0;
    virtual void setPeak(const std::string& text) = 0;
    virtual void setSynchLine(const std::string& text) = 0;
    virtual void setStatusLine(const std::string& text) = 0;
    // Indicator strip state: the synchronisation state (0..15) or, for the burst
    // copies, the buffer indicator (0..10).
    virtual void setSynchIndicator(int state) = 0;
    virtual void UpdateMeter(int level) = 0;
    virtual void UpdateSynch(int offset, int scale) = 0;
    virtual void setSkipButton(const std::string& text) = 0;
    virtual void setAbortAllButton(const std::string& text) = 0;
};

// The "Copying" window's contents and behaviour, free of any toolkit: a Qt window shows
// these fields and forwards its buttons here. `changed` (may be empty) is told after
// every change so that the view can redraw.
class CopyingWindow final : public CopyingProgress {
  public:
    enum class Field {
        DiscWrite,
        TotalSize,
        ReadingSector,
        TotalSectors,
        Percent,
        Elapsed,
        TrackLength,
        TimeLeft,
        SpeedLine,
        Peak,
        SynchLine,
        StatusLine,
        Meter,
        SynchIndicator,
        SkipButton,
        AbortAllButton,
        Visible,
    };

    CopyingWindow(const TextTable& texts, AbortFlags& flags);

    // Copies the labels and button texts from the text table (creation, language change).
    void applyTexts();

    // Buttons and window events.
    void SkipClick();
    void AbortAllClick();
    void Close();  // sets both flags and hides the window
    bool visible() const { return visible_; }

    // Track-level fields, filled by the grab job.
    void setTotalSize(const std::string& text);
    void setTotalSectors(const std::string& text);
    void setTrackLength(const std::string& text);

    // CopyingProgress
    AbortFlags& abortFlags() override { return flags_; }
    void showCopying() override;
    void setPercent(int percent) override;
    void setElapsed(const std::string& text) override;
    void setTimeLeft(const std::string& text) override;
    void setSpeedLine(const std::string& text) override;
    void setReadingSector(const std::string& text) override;
    void setDiscWrite(const std::string& text) override;
    void setPeak(const std::string& text) override;
    void setSynchLine(const std::string& text) override;
    void setStatusLine(const std::string& text) override;
    void setSynchIndicator(int state) override;
    void UpdateMeter(int level) override;
    void UpdateSynch(int offset, int scale) override;
    void setSkipButton(const std::string& text) override;
    void setAbortAllButton(const std::string& text) override;

    // Labels (from the text table).
    std::string writeLabel, sizeLabel, readingSectorLabel, totalSectorsLabel, elapsedLabel,
        trackLengthLabel, timeLeftLabel, peakLabel;

    // Values as shown.
    int percent = 0;
    std::string percentText = "0%";
    std::string discWrite, totalSize, readingSector, totalSectors, elapsed, trackLength, timeLeft,
        speedLine, peak, synchLine, statusLine, skipButton, abortAllButton;
    MeterStates meter{};   // the strip states last drawn
    int meterRedraws = 0;  // strips redrawn so far; unchanged ones are left alone
    int synchIndicator = 0;

    std::function<void(Field)> changed;

  private:
    void set(std::string& slot, const std::string& text, Field field);
    void notify(Field field);

    const TextTable& texts_;
    AbortFlags& flags_;
    bool visible_ = false;
};

}  // namespace ps

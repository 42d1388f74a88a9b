#pragma once

#include <functional>
#include <optional>
#include <string>

#include "audio/normalizer.h"
#include "grab/grab_job.h"

namespace ps {

// The peak the last rip found, from the read method's lowest and highest sample; none
// when the read method measured nothing (both zero), so that the wave is scanned instead.
std::optional<PeakLevels> RipPeakOf(ReadMethod& readMethod);

// The grab job's normalizer over NormalizeWaveFile: the wave is normalized in place with
// the rip's peak (source 0) when it is known, and the track's old and new peak, average
// and compact ratio go into its results.
class GrabNormalizerAdapter final : public GrabNormalizer {
  public:
    GrabNormalizerAdapter(Settings& settings, const TextTable& texts, Clock* clock = nullptr);

    // Where the rip's peak comes from (usually RipPeakOf over the shell's read method).
    void setRipPeakSource(std::function<std::optional<PeakLevels>()> source);
    // Per job: the window messages go to, the progress display (both may be null) and
    // the pump of the long passes.
    void attach(GrabUi* ui, NormalizeProgress* progress, std::function<void()> pump);

    // The advanced engine's mode line ("Changing peak level to %d%%. ..."); empty with
    // the simple engine, whose line the job writes itself.
    std::string description() override;
    void normalize(const std::string& wavePath, TrackCopyResults& results) override;

    const NormalizeOutcome& lastOutcome() const { return last_; }

  private:
    Settings& settings_;
    const TextTable& texts_;
    Clock* clock_;
    std::function<std::optional<PeakLevels>()> ripPeak_;
    GrabUi* ui_ = nullptr;
    NormalizeProgress* progress_ = nullptr;
    std::function<void()> pump_;
    NormalizeOutcome last_;
};

// Percent values as the track rows keep them: truncated to whole percent.
void StoreNormalizeStatistics(const NormalizeOutcome& outcome, TrackCopyResults& results);

// The text of a normalization message, with the application title when it names none.
struct NormalizeMessageText {
    std::string text;
    std::string title;
};
NormalizeMessageText FormatNormalizeMessage(const TextTable& texts,
                                            const NormalizeMessage& message);

}  // namespace ps

#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "audio/normalizer.h"
#include "cdaccess/copying_window.h"

namespace ps {

// The normalizer's progress during a grab, on the "Copying" window: the bar and its
// percentage, the elapsed time, a time left that only ever falls (written every 470 ms
// at the most), the level meter with the peak "%d%", and the old average of the
// advanced engine. The window's Skip and Abort all stop the pass; the file then stays
// as it was.
class CopyingNormalizeProgress final : public NormalizeProgress {
  public:
    explicit CopyingNormalizeProgress(CopyingProgress& window) : window_(window) {}

    void stage(Stage stage, const std::string& fileName, int index, int count) override;
    void level(int peak) override;
    void progress(int percent, std::int64_t elapsedMs) override;
    void newValues(const NormalizeStatistics& statistics) override;
    bool stopRequested() override { return window_.abortFlags().track || window_.abortFlags().all; }

    static constexpr std::int64_t kTimeLeftIntervalMs = 470;

  private:
    CopyingProgress& window_;
    std::int64_t lastTimeLeftMs_ = 0;
    std::int64_t shownSecondsLeft_ = std::numeric_limits<std::int64_t>::max();
};

}  // namespace ps

#pragma once

#include <cstdint>
#include <string>

#include "cdaccess/copying_window.h"
#include "i18n/text_table.h"
#include "platform/clock.h"

namespace ps {

// What one progress report tells about the block just delivered.
struct ProgressValue {
    enum class Kind {
        Start,   // before the first block
        Burst,   // a burst copy: no synchronisation
        Offset,  // a synchronised copy matched at `offset` bytes
        Lost,    // a synchronised copy lost synchronisation
    };
    Kind kind = Kind::Burst;
    int offset = 0;

    static ProgressValue start() { return {Kind::Start, 0}; }
    static ProgressValue burst() { return {Kind::Burst, 0}; }
    static ProgressValue matched(int offset) { return {Kind::Offset, offset}; }
    static ProgressValue lost() { return {Kind::Lost, -1}; }
};

// The figures of one extraction that the report reads.
struct ProgressInput {
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::int32_t delivered = 0;  // next delivered sector
    int skip = 0;                // the request's skip count
    int overlap = 0;
    int lostSynchCount = 0;
    bool burst = false;                 // the speed-problem line and buffer indicator
    bool encodingWhileRipping = false;  // the read-and-encode speed text
    int cdSpeed = 100;                  // CDSpeed, for the time left before a speed is known
    int trackPeak = 0;                  // highest and lowest sample of the track so far
    int trackLow = 0;
    int blockPeak = 0;        // magnitude of the block just delivered
    int bufferIndicator = 0;  // 0..10, highest since the last meter update
    int slowEvents = 0;       // "Possible Speed Problems"
};

// The progress report of the extraction: computes percent, times, speed, time left, peak
// and synchronisation texts after every block and writes them to the window.
class ExtractionProgressReport {
  public:
    ExtractionProgressReport(Clock& clock, const TextTable& texts, CopyingProgress& view);

    // Starts the clocks of one extraction.
    void reset();
    void report(const ProgressValue& value, const ProgressInput& input);

    // The speed line's last figure (1.0 = real time), 0 before the second block.
    double speed() const { return speed_; }
    // True when the meter was updated by the last report (the caller resets its
    // buffer indicator and block peak then).
    bool meterUpdated() const { return meterUpdated_; }
    std::int64_t startMs() const { return startMs_; }

  private:
    Clock& clock_;
    const TextTable& texts_;
    CopyingProgress& view_;

    std::int64_t startMs_ = 0;
    bool firstBlock_ = true;
    std::int64_t baselineMs_ = 0;
    std::int32_t baselineCount_ = 0;
    std::int64_t sinceFirstMs_ = 0;  // l
    double speed_ = 0.0;
    double previousSpeed_ = 0.0;
    std::int64_t speedWrittenMs_ = 0;
    bool timeLeftWritten_ = false;
    std::int64_t lastTimeLeft_ = -1;
    bool meterEver_ = false;
    std::int64_t meterMs_ = 0;
    int meterPeak_ = 0;
    bool meterUpdated_ = false;
};

}  // namespace ps

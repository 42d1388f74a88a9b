#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "audio/wave_file.h"

namespace ps {

struct Settings;
class Clock;

// Results of the normalization engines.
namespace normalize_result {
inline constexpr int Modified = 1;
inline constexpr int Unchanged = 0;  // nothing to do, or analysis only
inline constexpr int NotFound = -1;  // missing or unreadable (ScanPeak: no memory)
inline constexpr int Locked = -2;    // cannot be changed (ScanPeak: cannot open)
inline constexpr int CannotCreate = -3;
inline constexpr int WriteFailed = -4;  // disk full or another write error; file unchanged
inline constexpr int Stopped = -6;      // skip or abort; file unchanged
inline constexpr int NotValid = -9;     // a format the engine cannot take; file unchanged
inline constexpr int ReadFailed = 252;
inline constexpr int SeekFailed = 253;
}  // namespace normalize_result

// A message for the user: text-table keys and the texts for the "%s" of the message in
// order. No key: no message. No title key: the application title.
struct NormalizeMessage {
    const char* key = nullptr;
    const char* titleKey = nullptr;
    std::vector<std::string> arguments;
};

// Levels in percent of full scale. The track row and the grab report show them truncated
// to whole percent, the batch list with "%.2f".
struct NormalizeStatistics {
    double oldPeak = 0;
    double newPeak = 0;
    double oldAverage = 0;
    double newAverage = 0;
    double oldCompactRatio = 0;
    double newCompactRatio = 0;
    bool levelsKnown = false;  // averages and compact ratios (the advanced engine only)
};

// What the engines show while they run. The peak window, the copying window and the
// batch list implement it; every member has a do-nothing default.
class NormalizeProgress {
  public:
    enum class Stage {
        FindingPeak,     // "Finding peak level" (simple engine, scanning)
        Normalizing,     // "Normalizing" (simple engine, changing the file)
        CheckingLevels,  // "Checking output levels - %s, file %d of %d", "Scanning..."
        Modifying,       // "Modifying - %s, file %d of %d", "Modifying..."
    };
    virtual ~NormalizeProgress() = default;
    // A new stage for the named file (index and count fill "%s, file %d of %d").
    virtual void stage(Stage, const std::string& /*fileName*/, int /*index*/, int /*count*/) {}
    // The description line: its text key and the numbers for its "%d" in order.
    virtual void describe(const char* /*key*/, const std::vector<int>& /*numbers*/) {}
    // The largest magnitude found so far (0..32768): level meter and peak "%d%".
    virtual void level(int /*peak*/) {}
    // Share of the data chunk done, with the milliseconds since the stage began (0
    // without a clock).
    virtual void progress(int /*percent*/, std::int64_t /*elapsedMs*/) {}
    // The new values of the advanced engine, computed before the file changes.
    virtual void newValues(const NormalizeStatistics&) {}
    // The skip or abort button: ends the current file, which is then left unchanged.
    virtual bool stopRequested() { return false; }
};

// What a long operation is given beside its file.
struct NormalizeContext {
    NormalizeProgress* progress = nullptr;
    std::function<void()> pump;  // processes pending window messages
    Clock* clock = nullptr;      // elapsed time and the speed statistics; may be null
    int index = 1;               // "file %d of %d"
    int count = 1;
};

// The largest and smallest sample of the data chunk, in 16-bit scale.
struct PeakLevels {
    int largest = 0;
    int smallest = 0;
};

struct ScanPeakResult {
    int code = 1;  // 1, or -2 cannot open, 253 seek failed, 252 read failed, -6 stopped
    PeakLevels peak;
};

// Finds the peak of a wave file's data chunk (8-bit values count as (u - 128) * 256).
ScanPeakResult ScanPeak(const std::string& path, const NormalizeContext& context = {});

struct NormalizeOutcome {
    int code = normalize_result::Unchanged;
    NormalizeMessage message;
    NormalizeStatistics statistics;  // valid when the file was analysed
    std::string outputPath;          // the file that holds the result
    std::int64_t clippedSamples = 0;
    double speed = 0;  // seconds of audio per second of processing (0: not measured)
};

// The simple engine: scales the whole file so that its peak reaches NormalizeTo percent,
// when NormalizeLimit is off or the peak lies outside [NormalizeLow, NormalizeHigh]. It
// takes 8-bit and 16-bit files of every rate ReadWaveFormat accepts. `ripPeak` is the
// peak the rip found; without it the file is scanned. The file is changed only when the
// whole pass succeeded.
NormalizeOutcome SimpleNormalize(const std::string& path, const Settings& settings,
                                 const std::optional<PeakLevels>& ripPeak,
                                 const NormalizeContext& context = {});

// The entry point. Source 1: the file is scanned; source 0: `ripPeak` is the rip's peak
// (the grab job). The advanced engine runs when AdvancedNormalizing is on and either
// UseNormalizing is on or CompressionWhen is ALWAYS; it always scans the file itself and
// always changes it in place. It updates ComputerSpeed after a long enough pass.
NormalizeOutcome NormalizeWaveFile(const std::string& path, int source, Settings& settings,
                                   const std::optional<PeakLevels>& ripPeak,
                                   const NormalizeContext& context = {});

// ---- The advanced engine ------------------------------------------------------------

inline constexpr std::size_t kBlockSamples = 11760;  // 10 sectors of 16-bit samples
inline constexpr int kOverviewColumns = 790;

struct PercentRange {
    int low = 0;
    int high = 100;
};

// The processing parameters, from the stored settings or from the settings window.
struct AdvancedParameters {
    bool normalizing = false;  // UseNormalizing
    bool averageMode = false;  // PeakOrAverage is AVERAGE
    int compressionWhen = 0;   // 0 never, 1 always, 2 only when needed
    int peakTarget = 0;        // percent; 0: none
    int averageTarget = 0;     // percent; 0: none
    std::optional<PercentRange> peakCondition;
    std::optional<PercentRange> averageCondition;
    int compression = 0;      // C, percent
    int compressLimit = 100;  // no compression over this compact ratio
    bool toNewFile = false;   // NormalizeToNewFile
};

AdvancedParameters ParametersFromSettings(const Settings& settings);

// The mode 1..7 and its description line (key and numbers).
int AdvancedMode(const AdvancedParameters& parameters);
struct ModeDescription {
    const char* key;
    std::vector<int> numbers;
};
ModeDescription DescribeMode(const AdvancedParameters& parameters);

// Minimum and maximum of each channel over 1/790 of the file.
struct OverviewColumn {
    std::int16_t leftMin = 0;
    std::int16_t leftMax = 0;
    std::int16_t rightMin = 0;
    std::int16_t rightMax = 0;
};

struct AdvancedAnalysis {
    std::vector<std::uint16_t> blockPeaks;  // P, in file order, at least two
    std::vector<std::uint16_t> sorted;      // Q, ascending
    std::size_t realBlocks = 0;             // blocks that hold audio
    int largest = 0;
    int smallest = 0;
    int trackPeak = 0;          // Pk
    bool negativePeak = false;  // |smallest| > largest
    int average = 0;            // A, over the loudest 90 % of the blocks
    int deviation = 0;          // D
    double compactRatio = 0;
    std::vector<OverviewColumn> overview;  // empty unless asked for
    std::uint32_t dataLength = 0;          // audio bytes analysed
    std::int64_t dataOffset = 0;
};

// The first block of the loudest 90 %.
std::size_t ReferenceStart(std::size_t blocks);
// Mean and mean deviation of the sorted peaks from ReferenceStart on; 100 - D * 100 / A.
void ComputeLevels(AdvancedAnalysis& analysis);

// The compression factor of a block with peak p: 1 + C/100 * (Pk - p) / Pk.
double CompressionFactor(int compression, int trackPeak, int blockPeak);

struct AdvancedPlan {
    int mode = 6;
    double gain = 1;
    int compression = 0;
    int averageTarget = 0;  // after the rules: the current average when there was none
    bool skipped = false;   // a condition did not hold
    NormalizeStatistics statistics;
};

// Gain, compression and the new values, from the analysis and the parameters.
AdvancedPlan PlanChange(const AdvancedAnalysis& analysis, const AdvancedParameters& parameters);

struct AnalyseRequest {
    bool apply = false;     // off: analyse only (Test)
    bool overview = false;  // fill the 790 columns
};

struct AnalyseOutcome : NormalizeOutcome {
    AdvancedAnalysis analysis;
    AdvancedPlan plan;
};

// Analysis, parameters and, when applying and there is something to change, the
// processing pass; in place, or into "<name>-<n>.wav" with parameters.toNewFile.
AnalyseOutcome AnalyseAndModify(const std::string& path, const AdvancedParameters& parameters,
                                const AnalyseRequest& request,
                                const NormalizeContext& context = {});

// The grab's and the Normalize commands' call: the parameters of the stored settings,
// applied in place (NormalizeToNewFile counts as off). Updates ComputerSpeed.
NormalizeOutcome AdvancedNormalize(const std::string& path, Settings& settings,
                                   const NormalizeContext& context = {});

// "<path without its last 4 characters>-<n>.wav" for the first n of 1..99 not taken;
// empty when all are.
std::string NewFileName(const std::string& path);

}  // namespace ps

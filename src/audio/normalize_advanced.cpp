#include <algorithm>
#include <cmath>

#include "app/settings.h"
#include "audio/normalize_io.h"
#include "audio/normalizer.h"

namespace ps {

using namespace normalize_detail;

namespace {

constexpr std::size_t kBlockBytes = kBlockSamples * 2;
constexpr std::size_t kBlocksPerRead = 8;               // one read brings in several blocks
constexpr std::int64_t kSpeedMinimumSamples = 5292000;  // 60 seconds of CD audio
constexpr double kPercentUnit = 327.67;
constexpr double kNegativePercentUnit = 327.68;

struct Hooks {
    const NormalizeContext& context;
    void pump() const {
        if (context.pump) {
            context.pump();
        }
    }
    bool stop() const { return context.progress != nullptr && context.progress->stopRequested(); }
    void progress(std::int64_t done, std::int64_t total, std::int64_t start) const {
        if (context.progress != nullptr) {
            context.progress->progress(Percent(done, total), ElapsedMs(context.clock, start));
        }
    }
};

// The columns of the overview: column c holds the frames up to (c + 1) * frames / 790.
class OverviewBuilder {
  public:
    OverviewBuilder(std::vector<OverviewColumn>& columns, std::int64_t frames)
        : columns_(columns), frames_(frames) {
        columns_.assign(kOverviewColumns, OverviewColumn{});
        next_ = Boundary(0);
    }
    void add(int left, int right) {
        while (frame_ >= next_ && column_ + 1 < kOverviewColumns) {
            ++column_;
            next_ = Boundary(column_);
            fresh_ = true;
        }
        OverviewColumn& c = columns_[static_cast<std::size_t>(column_)];
        if (fresh_) {
            c = {static_cast<std::int16_t>(left), static_cast<std::int16_t>(left),
                 static_cast<std::int16_t>(right), static_cast<std::int16_t>(right)};
            fresh_ = false;
        } else {
            c.leftMin = static_cast<std::int16_t>(std::min<int>(c.leftMin, left));
            c.leftMax = static_cast<std::int16_t>(std::max<int>(c.leftMax, left));
            c.rightMin = static_cast<std::int16_t>(std::min<int>(c.rightMin, right));
            c.rightMax = static_cast<std::int16_t>(std::max<int>(c.rightMax, right));
        }
        ++frame_;
    }

  private:
    std::int64_t Boundary(int column) const { return (column + 1) * frames_ / kOverviewColumns; }
    std::vector<OverviewColumn>& columns_;
    std::int64_t frames_;
    std::int64_t frame_ = 0;
    std::int64_t next_ = 0;
    int column_ = 0;
    bool fresh_ = true;
};

// The block peaks, the track peak and the overview, in one pass.
int Analyse(std::FILE* file, const AudioSpan& span, bool overview, const NormalizeContext& context,
            AdvancedAnalysis& a) {
    const Hooks hooks{context};
    const std::int64_t audioBytes = span.length & ~std::int64_t{1};
    a.dataOffset = span.offset;
    a.dataLength = static_cast<std::uint32_t>(span.length);
    a.blockPeaks.clear();
    a.blockPeaks.reserve(static_cast<std::size_t>(audioBytes / kBlockBytes + 2));
    std::optional<OverviewBuilder> columns;
    if (overview) {
        columns.emplace(a.overview, audioBytes / 4);
    }
    if (!SeekTo(file, span.offset)) {
        return normalize_result::SeekFailed;
    }
    std::vector<std::uint8_t> buffer(kBlockBytes * kBlocksPerRead);
    const std::int64_t start = NowMs(context.clock);
    int largest = 0;
    int smallest = 0;
    for (std::int64_t done = 0; done < audioBytes;) {
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(buffer.size(), audioBytes - done));
        if (std::fread(buffer.data(), 1, want, file) != want) {
            return normalize_result::ReadFailed;
        }
        for (std::size_t at = 0; at < want; at += kBlockBytes) {
            const std::size_t bytes = std::min(kBlockBytes, want - at);
            const std::uint8_t* p = buffer.data() + at;
            int hi = 0;
            int lo = 0;
            for (std::size_t i = 0; i < bytes; i += 2) {
                const int v = Sample16(p + i);
                hi = std::max(hi, v);
                lo = std::min(lo, v);
            }
            if (columns) {
                for (std::size_t i = 0; i + 3 < bytes; i += 4) {
                    columns->add(Sample16(p + i), Sample16(p + i + 2));
                }
            }
            largest = std::max(largest, hi);
            smallest = std::min(smallest, lo);
            // -32768 counts as 32767 in a block peak.
            a.blockPeaks.push_back(static_cast<std::uint16_t>(std::max(hi, std::min(-lo, 32767))));
        }
        done += static_cast<std::int64_t>(want);
        if (context.progress != nullptr) {
            context.progress->level(std::max(largest, -smallest));
        }
        hooks.progress(done, audioBytes, start);
        hooks.pump();
        if (hooks.stop()) {
            return normalize_result::Stopped;
        }
    }
    a.realBlocks = a.blockPeaks.size();
    while (a.blockPeaks.size() < 2) {
        a.blockPeaks.push_back(0);
    }
    a.sorted = a.blockPeaks;
    std::sort(a.sorted.begin(), a.sorted.end());
    a.largest = largest;
    a.smallest = smallest;
    a.trackPeak = std::max(largest, -smallest);
    a.negativePeak = -smallest > largest;
    ComputeLevels(a);
    return normalize_result::Modified;
}

struct Levels {
    double mean = 0;  // exact mean of the compressed, scaled block peaks
    int average = 0;  // ... truncated
    int deviation = 0;
    int peak = 0;
};

// The reference set's block peaks after compression C and gain G, each truncated.
Levels CompressedLevels(const AdvancedAnalysis& a, int compression, double gain) {
    const std::size_t first = ReferenceStart(a.sorted.size());
    const auto count = static_cast<std::int64_t>(a.sorted.size() - first);
    std::vector<std::int64_t> values;
    values.reserve(static_cast<std::size_t>(count));
    std::int64_t sum = 0;
    Levels levels;
    for (std::size_t i = first; i < a.sorted.size(); ++i) {
        const int q = a.sorted[i];
        const auto c =
            static_cast<std::int64_t>(CompressionFactor(compression, a.trackPeak, q) * q * gain);
        values.push_back(c);
        sum += c;
        levels.peak = static_cast<int>(std::max<std::int64_t>(levels.peak, c < 0 ? -c : c));
    }
    levels.mean = static_cast<double>(sum) / static_cast<double>(count);
    levels.average = static_cast<int>(sum / count);
    std::int64_t deviation = 0;
    for (std::int64_t c : values) {
        deviation += c > levels.average ? c - levels.average : levels.average - c;
    }
    levels.deviation = static_cast<int>(deviation / count);
    levels.peak = std::min(levels.peak, 32767);
    return levels;
}

double CompactRatio(int average, int deviation) {
    return average == 0 ? 0.0 : 100.0 - deviation * 100.0 / average;
}

bool Outside(const std::optional<PercentRange>& range, int level) {
    return !range || level < range->low * kNegativePercentUnit ||
           level > range->high * kNegativePercentUnit;
}

// The processing pass over one block: the factor runs from the mean of this block's and
// the previous block's factors at the start, through this block's at the centre, to the
// mean with the next block's at the end, so that the compression has no steps.
class BlockScaler {
  public:
    BlockScaler(double gain, int trackPeak) : gain(gain), trackPeak(trackPeak) {}

    const double gain;
    const int trackPeak;
    std::int64_t clipped = 0;

    void plain(std::uint8_t* p, std::size_t samples) {
        if (!table_) {
            table_.emplace(gain);
        }
        int unused = 0;
        clipped += table_->apply(p, samples, unused);
    }

    void compressed(std::uint8_t* p, std::size_t samples, double previous, double current,
                    double next) {
        const std::vector<double>& weights = WeightsFor(samples);
        const std::size_t half = samples / 2;
        samples_.resize(samples);
        for (std::size_t j = 0; j < samples; ++j) {
            samples_[j] = static_cast<std::int16_t>(Sample16(p + 2 * j));
        }
        int over = 0;
        for (std::size_t j = 0; j < samples; ++j) {
            const double x = weights[j];
            const double side = j < half ? previous : next;
            const double factor = (1.0 - x) * side + x * current;
            const int s = samples_[j];
            // The factor is at least 1, so a sample keeps its sign; beyond 16 bits it stops
            // at full scale and then at the track peak.
            const int t = static_cast<int>(std::clamp(s * factor, -32768.0, 32767.0));
            const int limited = std::clamp(t, -trackPeak, trackPeak);
            over += limited != t;
            const double v = limited * gain + (s < 0 ? -0.5 : 0.5);
            over += (v >= 32768.0) | (v <= -32769.0);
            samples_[j] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
        }
        clipped += over;
        for (std::size_t j = 0; j < samples; ++j) {
            Put16(p + 2 * j, samples_[j]);
        }
    }

  private:
    // x = 1 - |j - h| / h * 0.5 for a block of this many samples (h = half of them): 0.5
    // at the edges, 1 at the centre. Computed once per block length.
    const std::vector<double>& WeightsFor(std::size_t samples) {
        if (weights_.size() != samples) {
            weights_.resize(samples);
            const auto half = static_cast<std::int64_t>(samples / 2);
            for (std::size_t j = 0; j < samples; ++j) {
                const std::int64_t offset = static_cast<std::int64_t>(j) - half;
                weights_[j] = half > 0 ? 1.0 - static_cast<double>(offset < 0 ? -offset : offset) /
                                                   static_cast<double>(half) * 0.5
                                       : 1.0;
            }
        }
        return weights_;
    }
    std::vector<double> weights_;
    std::vector<std::int16_t> samples_;
    std::optional<ScaleTable> table_;
};

int ProcessingPass(std::FILE* in, std::FILE* out, const AdvancedAnalysis& a,
                   const AdvancedPlan& plan, const NormalizeContext& context,
                   std::int64_t& clipped) {
    const Hooks hooks{context};
    const std::int64_t audioBytes = a.dataLength & ~std::uint32_t{1};
    if (!SeekTo(in, a.dataOffset)) {
        return normalize_result::SeekFailed;
    }
    BlockScaler scaler(plan.gain, a.trackPeak);
    auto factor = [&](std::size_t k) {
        return CompressionFactor(plan.compression, a.trackPeak, a.blockPeaks[k]);
    };
    std::vector<std::uint8_t> buffer(kBlockBytes * kBlocksPerRead);
    const std::int64_t start = NowMs(context.clock);
    std::size_t block = 0;
    for (std::int64_t done = 0; done < audioBytes;) {
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(buffer.size(), audioBytes - done));
        if (std::fread(buffer.data(), 1, want, in) != want) {
            return normalize_result::ReadFailed;
        }
        for (std::size_t at = 0; at < want; at += kBlockBytes, ++block) {
            const std::size_t samples = std::min(kBlockBytes, want - at) / 2;
            if (plan.compression == 0) {
                scaler.plain(buffer.data() + at, samples);
            } else {
                const double previous = block == 0 ? 1.0 : factor(block - 1);
                const double next = block + 1 >= a.realBlocks ? 1.0 : factor(block + 1);
                scaler.compressed(buffer.data() + at, samples, previous, factor(block), next);
            }
        }
        if (std::fwrite(buffer.data(), 1, want, out) != want) {
            return normalize_result::WriteFailed;
        }
        done += static_cast<std::int64_t>(want);
        hooks.progress(done, audioBytes, start);
        hooks.pump();
        if (hooks.stop()) {
            return normalize_result::Stopped;
        }
    }
    clipped = scaler.clipped;
    return normalize_result::Modified;
}

NormalizeMessage Message(const char* key, const std::string& argument,
                         const char* title = nullptr) {
    return NormalizeMessage{key, title, {argument}};
}

NormalizeMessage InvalidFileMessage(const std::string& path, const WaveFormatInfo& info,
                                    bool accepted) {
    // Without a readable format (or without its data chunk) there is nothing to describe.
    if (!accepted && (info.cdFormat || info.channels == 0)) {
        return Message("NotValid2Wav", path, "InvalidFileTitle");
    }
    const WaveFormatDescription d = DescribeWaveFormat(info);
    return NormalizeMessage{
        "InvalidFileMsg", "InvalidFileTitle", {path, d.channels, d.bits, d.rate}};
}

}  // namespace

AdvancedParameters ParametersFromSettings(const Settings& s) {
    AdvancedParameters p;
    p.normalizing = s.UseNormalizing;
    p.averageMode = s.averageNormalizing();
    p.compressionWhen = s.compressionWhenCode();
    p.peakTarget = p.normalizing && !p.averageMode ? s.NormalizeTo : 0;
    p.averageTarget = p.normalizing && p.averageMode ? s.DesiredAverage : 0;
    if (p.normalizing && s.NormalizeLimit) {
        p.peakCondition = PercentRange{s.NormalizeLow, s.NormalizeHigh};
    }
    if (p.normalizing && s.AverageCondition) {
        p.averageCondition = PercentRange{s.AverageLow, s.AverageHigh};
    }
    p.compression = p.compressionWhen != 0 ? s.MaximumCompressWith : 0;
    p.compressLimit = s.CompressCondition && s.CompressLimit >= 0 ? s.CompressLimit : 100;
    p.toNewFile = s.NormalizeToNewFile;
    return p;
}

int AdvancedMode(const AdvancedParameters& p) {
    if (!p.normalizing) {
        return p.compressionWhen == 1 ? 7 : 6;
    }
    if (p.averageMode) {
        return p.compressionWhen == 1 ? 1 : p.compressionWhen == 2 ? 2 : 3;
    }
    return p.compressionWhen == 1 ? 5 : 4;
}

ModeDescription DescribeMode(const AdvancedParameters& p) {
    switch (AdvancedMode(p)) {
        case 1:
            return {"Capt1Norm", {p.averageTarget, p.compression}};
        case 2:
            return {"Capt2Norm", {p.averageTarget, p.compression}};
        case 3:
            return {"Capt3Norm", {p.averageTarget}};
        case 4:
            return {"Capt4Norm", {p.peakTarget}};
        case 5:
            return {"Capt5Norm", {p.peakTarget, p.compression}};
        case 7:
            return {"Capt7Norm", {p.compression}};
        default:
            return {"Capt6Norm", {}};
    }
}

std::size_t ReferenceStart(std::size_t blocks) {
    return blocks - blocks * 90 / 100;
}

void ComputeLevels(AdvancedAnalysis& a) {
    const Levels levels = CompressedLevels(a, 0, 1.0);
    a.average = levels.average;
    a.deviation = levels.deviation;
    a.compactRatio = CompactRatio(a.average, a.deviation);
}

double CompressionFactor(int compression, int trackPeak, int blockPeak) {
    if (trackPeak == 0) {
        return 1.0;
    }
    return 1.0 + compression / 100.0 * (trackPeak - blockPeak) / trackPeak;
}

AdvancedPlan PlanChange(const AdvancedAnalysis& a, const AdvancedParameters& p) {
    AdvancedPlan plan;
    plan.mode = AdvancedMode(p);
    const int pk = a.trackPeak;
    const int average = a.average;
    double gain = 1.0;
    int compression = p.compression;
    if (p.peakTarget > 0 && pk > 0) {
        gain = p.peakTarget / 100.0 * (a.negativePeak ? 32768.0 : 32767.0) / pk;
    }
    plan.skipped = !Outside(p.peakCondition, pk) || !Outside(p.averageCondition, average);
    if (plan.skipped) {
        gain = 1.0;
        compression = 0;
    }
    int target = p.averageTarget;
    if (target <= 0 || plan.skipped) {
        target = static_cast<int>(average / kPercentUnit);
    }
    if (average == 0 || a.compactRatio > p.compressLimit) {
        compression = 0;
    }
    const double targetLevel = target * kPercentUnit;
    auto limitToFullScale = [&] {
        if (pk > 0 && pk * gain > 32767.0) {
            gain = 32767.0 / pk;
        }
    };
    // A file whose condition says "leave it" keeps gain 1 and no compression in every
    // mode; the average modes would otherwise rescale it to its own truncated average.
    switch (plan.mode) {
        case 1:
            if (!plan.skipped) {
                const double compressed = CompressedLevels(a, compression, 1.0).mean;
                if (compressed != 0) {
                    gain = targetLevel / compressed;
                }
                limitToFullScale();
            }
            break;
        case 2:
            if (!plan.skipped) {
                // A silent reference set keeps gain 1: gain 0 would erase the file.
                gain = average == 0 ? 1.0 : targetLevel / average;
                limitToFullScale();
                const double unit = a.negativePeak ? kNegativePercentUnit : kPercentUnit;
                if (std::abs(average * gain - unit * target) > 0.01) {
                    int low = 0;
                    int high = compression;
                    int current = 0;
                    double level = average * gain;
                    while (std::abs(level - targetLevel) > 0.1 && low != high) {
                        const int mid = (low + high + 1) / 2;
                        if (mid == current) {
                            break;
                        }
                        current = mid;
                        level = CompressedLevels(a, current, gain).mean;
                        (level < targetLevel ? low : high) = mid;
                    }
                    compression = current;
                } else {
                    compression = 0;
                }
            }
            break;
        case 3:
            if (!plan.skipped && average > 0) {
                gain = target / (average / kPercentUnit);
                limitToFullScale();
            }
            break;
        case 4:
            compression = 0;
            break;
        case 5:
            break;
        case 6:
            gain = 1.0;
            compression = 0;
            break;
        case 7:
            gain = 1.0;
            break;
    }
    plan.gain = gain;
    plan.compression = compression;
    plan.averageTarget = target;

    const Levels after = CompressedLevels(a, compression, gain);
    NormalizeStatistics& st = plan.statistics;
    st.oldPeak = pk / kPercentUnit;
    st.oldAverage = average / kPercentUnit;
    st.oldCompactRatio = a.compactRatio;
    st.newPeak = (after.peak + 1) / kPercentUnit;
    st.newAverage = after.average / kPercentUnit;
    st.newCompactRatio = CompactRatio(after.average, after.deviation);
    st.levelsKnown = true;
    return plan;
}

std::string NewFileName(const std::string& path) {
    const std::string stem = path.substr(0, path.size() >= 4 ? path.size() - 4 : 0);
    for (int n = 1; n <= 99; ++n) {
        std::string name = stem + "-" + std::to_string(n) + ".wav";
        if (!Exists(name)) {
            return name;
        }
    }
    return {};
}

AnalyseOutcome AnalyseAndModify(const std::string& path, const AdvancedParameters& parameters,
                                const AnalyseRequest& request, const NormalizeContext& context) {
    AnalyseOutcome outcome;
    NormalizeProgress* progress = context.progress;
    const std::string name = FileNameOf(path);
    if (progress != nullptr) {
        progress->stage(NormalizeProgress::Stage::CheckingLevels, name, context.index,
                        context.count);
        const ModeDescription mode = DescribeMode(parameters);
        progress->describe(mode.key, mode.numbers);
    }
    if (!Exists(path)) {
        outcome.code = normalize_result::NotFound;
        outcome.message = Message("FileNotFound", path);
        return outcome;
    }
    File in = OpenFile(path, "rb");
    if (!in) {
        outcome.code = normalize_result::NotFound;
        outcome.message = Message("CantOpenNorm", path);
        return outcome;
    }
    WaveFormatInfo info;
    const bool accepted = ReadWaveFormat(in.get(), info);
    if (!accepted || !info.cdFormat) {
        outcome.code = normalize_result::NotValid;
        outcome.message = InvalidFileMessage(path, info, accepted);
        return outcome;
    }
    const std::int64_t start = NowMs(context.clock);
    const AudioSpan span = SpanOf(in.get(), info);
    int code = Analyse(in.get(), span, request.overview, context, outcome.analysis);
    if (code != normalize_result::Modified) {
        outcome.code = code;
        return outcome;
    }
    outcome.plan = PlanChange(outcome.analysis, parameters);
    outcome.statistics = outcome.plan.statistics;
    outcome.outputPath = path;
    if (progress != nullptr) {
        progress->newValues(outcome.statistics);
    }
    if (!request.apply ||
        (!parameters.toNewFile && outcome.plan.gain == 1.0 && outcome.plan.compression == 0)) {
        return outcome;
    }

    if (progress != nullptr) {
        progress->stage(NormalizeProgress::Stage::Modifying, name, context.index, context.count);
    }
    PassOutput output;
    if (parameters.toNewFile) {
        const std::string target = NewFileName(path);
        if (target.empty() || !output.createNew(target)) {
            outcome.code = normalize_result::CannotCreate;
            outcome.message = Message("CouldNotCreate", target.empty() ? path : target);
            return outcome;
        }
    } else if (!OpenFile(path, "r+b") || !output.createReplacement(path)) {
        outcome.code = normalize_result::Locked;
        outcome.message = Message("LockedFile", path);
        return outcome;
    }
    const std::int64_t audioEnd = span.offset + (span.length & ~std::int64_t{1});
    // A new file ends with the audio; in place, whatever follows it stays.
    const std::int64_t tailEnd = parameters.toNewFile ? span.offset + span.length : span.fileSize;
    code = CopyRange(in.get(), output.file(), 0, span.offset) ? normalize_result::Modified
                                                              : normalize_result::ReadFailed;
    if (code == normalize_result::Modified) {
        code = ProcessingPass(in.get(), output.file(), outcome.analysis, outcome.plan, context,
                              outcome.clippedSamples);
    }
    if (FinishPass(code, in, output, audioEnd, tailEnd, outcome) != normalize_result::Modified) {
        return outcome;
    }
    outcome.code = normalize_result::Modified;
    outcome.outputPath = parameters.toNewFile ? output.writtenPath() : path;
    const std::int64_t elapsed = ElapsedMs(context.clock, start);
    if (context.clock != nullptr && elapsed > 0 && span.length / 2 > kSpeedMinimumSamples) {
        outcome.speed = (span.length / 176400.0) / (elapsed / 1000.0);
    }
    return outcome;
}

NormalizeOutcome AdvancedNormalize(const std::string& path, Settings& settings,
                                   const NormalizeContext& context) {
    AdvancedParameters parameters = ParametersFromSettings(settings);
    parameters.toNewFile = false;  // a file in a grab is always changed in place
    AnalyseOutcome outcome = AnalyseAndModify(path, parameters, {true, false}, context);
    UpdateComputerSpeed(settings, outcome.speed);
    return static_cast<NormalizeOutcome&&>(outcome);
}

}  // namespace ps

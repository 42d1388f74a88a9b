#include <algorithm>
#include <cmath>

#include "app/settings.h"
#include "audio/normalize_io.h"
#include "audio/normalizer.h"

namespace ps {

using namespace normalize_detail;

namespace {

// Progress, the pump and the stop button come between pieces of the audio. The file moves
// in larger reads and writes, since every call costs; they end on multiples of their size
// in the file, so that after the first they move whole pages of the cache. Not larger than
// 256 KiB: writes of 1 MiB were measured up to three times slower when the system had to
// find fresh memory for the new file's cache.
constexpr std::size_t kPieceSamples = 30000;
constexpr std::int64_t kReadBytes = 1 << 18;
constexpr std::int64_t kSpeedMinimumSamples = 5292000;  // 60 seconds of CD audio

// The bytes of the read at `done` bytes into the audio. Whole samples only: with audio at
// an odd offset the reads end one byte past the multiples.
std::size_t ReadLength(const AudioSpan& span, std::int64_t done) {
    const std::int64_t phase = span.offset % 2;
    const std::int64_t at = span.offset + done - phase;
    const std::int64_t end = (at / kReadBytes + 1) * kReadBytes;
    return static_cast<std::size_t>(std::min(end - at, span.length - done));
}

// The bytes from `done` on, within `left`, that belong to the same piece.
std::size_t PartLength(std::int64_t done, std::size_t left, std::size_t pieceBytes) {
    const auto piece = static_cast<std::int64_t>(pieceBytes);
    return static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(left), (done / piece + 1) * piece - done));
}

// Whether `done` ends a piece, or the audio.
bool PieceEnds(std::int64_t done, const AudioSpan& span, std::size_t pieceBytes) {
    return done == span.length || done % static_cast<std::int64_t>(pieceBytes) == 0;
}

struct Pumped {
    const NormalizeContext& context;
    void pump() const {
        if (context.pump) {
            context.pump();
        }
    }
    bool stop() const { return context.progress != nullptr && context.progress->stopRequested(); }
};

// The peak scan over an open, checked file.
ScanPeakResult ScanOpen(std::FILE* file, const WaveFormatInfo& info,
                        const NormalizeContext& context) {
    ScanPeakResult result;
    const AudioSpan span = SpanOf(file, info);
    if (!SeekTo(file, span.offset)) {
        result.code = normalize_result::SeekFailed;
        return result;
    }
    const bool eightBit = info.bitsPerSample == 8;
    const std::size_t pieceBytes = kPieceSamples * (eightBit ? 1 : 2);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kReadBytes));
    const Pumped pumped{context};
    const std::int64_t start = NowMs(context.clock);
    int largest = 0;
    int smallest = 0;
    for (std::int64_t done = 0; done < span.length;) {
        const std::size_t want = ReadLength(span, done);
        if (std::fread(buffer.data(), 1, want, file) != want) {
            result.code = normalize_result::ReadFailed;
            return result;
        }
        for (std::size_t at = 0; at < want;) {
            const std::size_t bytes = PartLength(done, want - at, pieceBytes);
            const std::uint8_t* part = buffer.data() + at;
            if (eightBit) {
                int hi = largest;
                int lo = smallest;
                for (std::size_t i = 0; i < bytes; ++i) {
                    const int v = (part[i] - 128) * 256;
                    hi = std::max(hi, v);
                    lo = std::min(lo, v);
                }
                largest = hi;
                smallest = lo;
            } else {
                Extremes16(part, bytes / 2, largest, smallest);
            }
            at += bytes;
            done += static_cast<std::int64_t>(bytes);
            if (!PieceEnds(done, span, pieceBytes)) {
                continue;
            }
            if (context.progress != nullptr) {
                context.progress->level(std::max(largest, -smallest));
                context.progress->progress(Percent(done, span.length),
                                           ElapsedMs(context.clock, start));
            }
            pumped.pump();
            if (pumped.stop()) {
                result.code = normalize_result::Stopped;
                return result;
            }
        }
    }
    result.peak = {largest, smallest};
    return result;
}

NormalizeMessage Message(const char* key, const std::string& path, const char* title = nullptr) {
    return NormalizeMessage{key, title, {path}};
}

// Scales the audio into `out` piece by piece, at the same offsets as in the source.
int ScalePass(std::FILE* in, std::FILE* out, const AudioSpan& span, bool eightBit, double gain,
              const NormalizeContext& context, int& newPeak, std::int64_t& clipped) {
    const std::size_t pieceBytes = kPieceSamples * (eightBit ? 1 : 2);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kReadBytes));
    const Pumped pumped{context};
    const std::int64_t start = NowMs(context.clock);
    if (!SeekTo(in, span.offset)) {
        return normalize_result::SeekFailed;
    }
    std::optional<ScaleTable> table;
    if (!eightBit) {
        table.emplace(gain);
    }
    int peak = 0;
    for (std::int64_t done = 0; done < span.length;) {
        const std::size_t want = ReadLength(span, done);
        if (std::fread(buffer.data(), 1, want, in) != want) {
            return normalize_result::ReadFailed;
        }
        for (std::size_t at = 0; at < want;) {
            const std::size_t bytes = PartLength(done, want - at, pieceBytes);
            std::uint8_t* part = buffer.data() + at;
            if (eightBit) {
                for (std::size_t i = 0; i < bytes; ++i) {
                    const double v = 128.0 + (part[i] - 128) * gain;
                    const int t = static_cast<int>(std::clamp(v, 0.0, 255.0));
                    clipped += (v <= -1.0 || v >= 256.0) ? 1 : 0;
                    part[i] = static_cast<std::uint8_t>(t);
                    peak = std::max(peak, std::abs((t - 128) * 256));
                }
            } else {
                // Full scale stops only a target over 100 %. An odd last byte stays as it
                // was.
                clipped += table->apply(part, bytes / 2, peak);
            }
            at += bytes;
            done += static_cast<std::int64_t>(bytes);
            if (!PieceEnds(done, span, pieceBytes)) {
                continue;
            }
            if (context.progress != nullptr) {
                context.progress->progress(Percent(done, span.length),
                                           ElapsedMs(context.clock, start));
            }
            pumped.pump();
            if (pumped.stop()) {
                return normalize_result::Stopped;
            }
        }
        if (std::fwrite(buffer.data(), 1, want, out) != want) {
            return normalize_result::WriteFailed;
        }
    }
    newPeak = peak;
    return normalize_result::Modified;
}

}  // namespace

ScanPeakResult ScanPeak(const std::string& path, const NormalizeContext& context) {
    File file = OpenFile(path, "rb");
    if (!file) {
        return {-2, {}};
    }
    WaveFormatInfo info;
    if (!ReadWaveFormat(file.get(), info)) {
        return {normalize_result::SeekFailed, {}};
    }
    return ScanOpen(file.get(), info, context);
}

NormalizeOutcome SimpleNormalize(const std::string& path, const Settings& settings,
                                 const std::optional<PeakLevels>& ripPeak,
                                 const NormalizeContext& context) {
    NormalizeOutcome outcome;
    NormalizeProgress* progress = context.progress;
    const std::string name = FileNameOf(path);
    if (progress != nullptr) {
        progress->stage(NormalizeProgress::Stage::FindingPeak, name, context.index, context.count);
        if (settings.NormalizeLimit) {
            progress->describe(
                "Norm1Rip", {settings.NormalizeTo, settings.NormalizeLow, settings.NormalizeHigh});
        } else {
            progress->describe("Norm2Rip", {settings.NormalizeTo});
        }
    }

    // Opened for changing first: a file that cannot be written is reported before the scan.
    if (!OpenFile(path, "r+b")) {
        outcome.code = normalize_result::NotFound;
        outcome.message = Message("CantOpenNorm", path);
        return outcome;
    }
    File in = OpenFile(path, "rb");
    WaveFormatInfo info;
    if (!in || !ReadWaveFormat(in.get(), info)) {
        outcome.code = normalize_result::NotValid;
        outcome.message = Message("UnsupportedNorm", path, "InvalidNorm");
        return outcome;
    }

    PeakLevels peak;
    if (ripPeak) {
        peak = *ripPeak;
    } else {
        const ScanPeakResult scan = ScanOpen(in.get(), info, context);
        if (scan.code != 1) {
            outcome.code = scan.code;
            return outcome;
        }
        peak = scan.peak;
    }
    if (peak.largest == 0) {
        peak.largest = 1;
    }
    if (peak.smallest == 0) {
        peak.smallest = -1;
    }
    const double peakPercent =
        std::max(peak.largest / 32767.0 * 100.0, peak.smallest / -32768.0 * 100.0);
    outcome.statistics.oldPeak = peakPercent;
    outcome.statistics.newPeak = peakPercent;
    outcome.outputPath = path;
    if (settings.NormalizeLimit && settings.NormalizeLow <= peakPercent &&
        peakPercent <= settings.NormalizeHigh) {
        return outcome;
    }
    const double gain =
        std::min(32767.0 / peak.largest, -32768.0 / peak.smallest) * settings.NormalizeTo / 100.0;

    if (progress != nullptr) {
        progress->stage(NormalizeProgress::Stage::Normalizing, name, context.index, context.count);
    }
    const AudioSpan span = SpanOf(in.get(), info);
    // The pass writes whole reads, on page boundaries after the first.
    PassOutput output(PassOutput::kDirect);
    if (!output.createReplacement(path)) {
        outcome.code = normalize_result::NotFound;
        outcome.message = Message("CantOpenNorm", path);
        return outcome;
    }
    const std::int64_t start = NowMs(context.clock);
    int newPeak = 0;
    int code = CopyRange(in.get(), output.file(), 0, span.offset) ? normalize_result::Modified
                                                                  : normalize_result::ReadFailed;
    if (code == normalize_result::Modified) {
        code = ScalePass(in.get(), output.file(), span, info.bitsPerSample == 8, gain, context,
                         newPeak, outcome.clippedSamples);
    }
    // Whatever follows the audio (the track tag block) stays as it was.
    if (FinishPass(code, in, output, span.offset + span.length, span.fileSize, outcome) !=
        normalize_result::Modified) {
        return outcome;
    }
    const std::int64_t elapsed = ElapsedMs(context.clock, start);
    const std::int64_t samples = span.length / (info.bitsPerSample == 8 ? 1 : 2);
    if (context.clock != nullptr && elapsed > 0 && samples > kSpeedMinimumSamples) {
        outcome.speed =
            span.length /
            static_cast<double>(info.sampleRate * info.channels * (info.bitsPerSample / 8)) /
            (elapsed / 1000.0);
    }
    outcome.code = normalize_result::Modified;
    outcome.statistics.newPeak = newPeak / 327.67;
    return outcome;
}

NormalizeOutcome NormalizeWaveFile(const std::string& path, int source, Settings& settings,
                                   const std::optional<PeakLevels>& ripPeak,
                                   const NormalizeContext& context) {
    if (settings.AdvancedNormalizing &&
        (settings.UseNormalizing || settings.compressionWhenCode() == 1)) {
        return AdvancedNormalize(path, settings, context);
    }
    return SimpleNormalize(path, settings, source == 0 ? ripPeak : std::nullopt, context);
}

}  // namespace ps

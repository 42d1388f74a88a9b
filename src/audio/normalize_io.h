#pragma once

// File handling shared by the two normalization engines (not part of their interface).

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/normalizer.h"
#include "audio/wave_file.h"

namespace ps::normalize_detail {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
std::string FileNameOf(const std::string& path);
// Unbuffered: the engines read in large pieces, which then go straight from the file into
// their own buffers instead of through a second one.
File OpenFile(const std::string& path, const char* mode);

// Where the audio of a checked wave file lies; the length is cut to what the file holds,
// so that a damaged header never makes a pass write past the audio.
struct AudioSpan {
    std::int64_t offset = 0;
    std::int64_t length = 0;
    std::int64_t fileSize = 0;
};
AudioSpan SpanOf(std::FILE* file, const WaveFormatInfo& info);

bool SeekTo(std::FILE* file, std::int64_t offset);

// Copies [begin, end) of `from` to the current position of `to`.
bool CopyRange(std::FILE* from, std::FILE* to, std::int64_t begin, std::int64_t end);

// The file a pass writes. In place, the result goes to a temporary file beside the
// original, which replaces the original only when the whole pass succeeded, so a read
// error, a full disk or an abort leaves the original as it was. A new file is written
// under its own name and removed again when the pass fails.
class PassOutput {
  public:
    // The size of the buffer writes go through; kDirect: none, for a pass that writes in
    // large pieces on page boundaries anyway.
    static constexpr std::size_t kBuffered = 1 << 18;
    static constexpr std::size_t kDirect = 0;

    explicit PassOutput(std::size_t bufferBytes = kBuffered) : bufferBytes_(bufferBytes) {}
    PassOutput(const PassOutput&) = delete;
    PassOutput& operator=(const PassOutput&) = delete;
    ~PassOutput() { abandon(); }

    bool createReplacement(const std::string& original);
    bool createNew(const std::string& path);
    std::FILE* file() const { return file_.get(); }
    const std::string& writtenPath() const { return path_; }

    // Completes the output: closes it and, for a replacement, renames it over the
    // original. False (and the output removed) when any of that fails.
    bool commit();
    void abandon();

  private:
    bool opened(std::FILE* file);

    std::size_t bufferBytes_;
    std::vector<char> buffer_;
    File file_;
    std::string path_;      // the file being written
    std::string original_;  // the file it replaces; empty for a new file
};

// Ends a pass whose processing gave `code`: copies [tailBegin, tailEnd) of `in` (what
// follows the audio) behind the output, closes `in` and commits the output. Returns
// Modified, or the failure; on a failure the output is abandoned, `outcome.code` is set,
// and a failed write brings the full-disk message.
int FinishPass(int code, File& in, PassOutput& output, std::int64_t tailBegin, std::int64_t tailEnd,
               NormalizeOutcome& outcome);

// Milliseconds since `start`, or 0 without a clock.
std::int64_t ElapsedMs(Clock* clock, std::int64_t start);
std::int64_t NowMs(Clock* clock);

int Percent(std::int64_t done, std::int64_t total);

inline int Sample16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}
inline void Put16(std::uint8_t* p, int v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// The largest and smallest of `samples` 16-bit samples (little-endian bytes), folded into
// `hi` and `lo`.
void Extremes16(const std::uint8_t* bytes, std::size_t samples, int& hi, int& lo);

// Scales 16-bit samples by a gain, rounding half away from zero and holding the result
// at full scale.
class ScaleTable {
  public:
    explicit ScaleTable(double gain);
    // Scales little-endian samples in place; returns how many samples full scale stopped.
    // `peak` grows to the largest magnitude written.
    std::int64_t apply(std::uint8_t* bytes, std::size_t samples, int& peak) const;

  private:
    std::vector<std::int16_t> out_;      // indexed by s + 32768
    std::vector<std::uint8_t> clipped_;  // 1 where full scale stopped the result
};

// Speed statistics: seconds of audio per second of processing, folded into
// ComputerSpeed as (speed * 100 + old) / 2 unless the time calculation is locked.
void UpdateComputerSpeed(Settings& settings, double speed);

}  // namespace ps::normalize_detail

#include "audio/normalize_io.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/settings.h"
#include "platform/clock.h"

namespace ps::normalize_detail {

namespace {

constexpr std::size_t kCopyPiece = 1 << 16;
constexpr std::size_t kScaleBlock = 2048;  // samples scaled at a time, in the first-level cache

File Unbuffered(std::FILE* file) {
    if (file != nullptr) {
        std::setvbuf(file, nullptr, _IONBF, 0);
    }
    return File(file);
}

// Native 16-bit values from little-endian bytes and back; on a little-endian machine a
// plain copy, which the compiler turns into vector moves.
void Load16(const std::uint8_t* bytes, std::int16_t* values, std::size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(values, bytes, 2 * n);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            values[i] = static_cast<std::int16_t>(Sample16(bytes + 2 * i));
        }
    }
}

void Store16(const std::int16_t* values, std::uint8_t* bytes, std::size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, values, 2 * n);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            Put16(bytes + 2 * i, values[i]);
        }
    }
}

}  // namespace

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::string FileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

File OpenFile(const std::string& path, const char* mode) {
    if (IsDirectory(path)) {
        return nullptr;
    }
    return Unbuffered(std::fopen(path.c_str(), mode));
}

bool SeekTo(std::FILE* file, std::int64_t offset) {
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

AudioSpan SpanOf(std::FILE* file, const WaveFormatInfo& info) {
    AudioSpan span;
    span.offset = info.dataLengthOffset + 4;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        span.fileSize = std::ftell(file);
    }
    span.length = std::clamp<std::int64_t>(span.fileSize - span.offset, 0, info.dataLength);
    return span;
}

bool CopyRange(std::FILE* from, std::FILE* to, std::int64_t begin, std::int64_t end) {
    if (end <= begin) {
        return true;
    }
    if (!SeekTo(from, begin)) {
        return false;
    }
    std::vector<std::uint8_t> piece(kCopyPiece);
    for (std::int64_t at = begin; at < end;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(kCopyPiece, end - at));
        if (std::fread(piece.data(), 1, want, from) != want ||
            std::fwrite(piece.data(), 1, want, to) != want) {
            return false;
        }
        at += static_cast<std::int64_t>(want);
    }
    return true;
}

bool PassOutput::createReplacement(const std::string& original) {
    abandon();
    // Through a link, the file it names is replaced, and the link stays.
    std::error_code error;
    std::filesystem::path source = std::filesystem::canonical(original, error);
    if (error) {
        source = original;
    }
    const std::filesystem::path dir = source.parent_path();
    for (int n = 1; n < 1000; ++n) {
        std::string name = source.filename().string();
        name.insert(name.begin(), '.');
        name.append(".normalizing-").append(std::to_string(n));
        path_ = (dir / name).string();
        // "x": never take over a file that is already there.
        if (opened(std::fopen(path_.c_str(), "wb+x"))) {
            break;
        }
        if (!Exists(path_)) {
            break;  // the directory is not writable
        }
    }
    if (!file_) {
        path_.clear();
        return false;
    }
    original_ = source.string();
    return true;
}

bool PassOutput::createNew(const std::string& path) {
    abandon();
    if (!opened(std::fopen(path.c_str(), "w+b"))) {
        return false;
    }
    path_ = path;
    original_.clear();
    return true;
}

bool PassOutput::opened(std::FILE* file) {
    if (file == nullptr) {
        return false;
    }
    buffer_.resize(bufferBytes_);
    std::setvbuf(file, buffer_.data(), bufferBytes_ > 0 ? _IOFBF : _IONBF, bufferBytes_);
    file_.reset(file);
    return true;
}

bool PassOutput::commit() {
    if (!file_) {
        return false;
    }
    // A full disk shows only when the buffer reaches the file, or at the close.
    bool ok = std::fflush(file_.get()) == 0 && std::ferror(file_.get()) == 0;
    ok = std::fclose(file_.release()) == 0 && ok;
    if (ok && !original_.empty()) {
        std::error_code error;
        const auto permissions = std::filesystem::status(original_, error).permissions();
        if (!error) {
            std::filesystem::permissions(path_, permissions, error);
        }
        std::filesystem::rename(path_, original_, error);
        ok = !error;
    }
    if (!ok) {
        std::remove(path_.c_str());
    }
    path_ = ok ? (original_.empty() ? path_ : original_) : std::string();
    original_.clear();
    return ok;
}

void PassOutput::abandon() {
    if (file_) {
        file_.reset();
        std::remove(path_.c_str());
        path_.clear();
    }
}

std::int64_t NowMs(Clock* clock) {
    return clock != nullptr ? clock->nowMs() : 0;
}

std::int64_t ElapsedMs(Clock* clock, std::int64_t start) {
    return clock != nullptr ? clock->nowMs() - start : 0;
}

int Percent(std::int64_t done, std::int64_t total) {
    if (total <= 0) {
        return 100;
    }
    return static_cast<int>(std::clamp<std::int64_t>(done * 100 / total, 0, 100));
}

void Extremes16(const std::uint8_t* bytes, std::size_t samples, int& hi, int& lo) {
    auto h = static_cast<std::int16_t>(std::clamp(hi, -32768, 32767));
    auto l = static_cast<std::int16_t>(std::clamp(lo, -32768, 32767));
    std::array<std::int16_t, kScaleBlock> values;
    for (std::size_t at = 0; at < samples; at += kScaleBlock) {
        const std::size_t n = std::min(kScaleBlock, samples - at);
        Load16(bytes + 2 * at, values.data(), n);
        for (std::size_t i = 0; i < n; ++i) {
            h = std::max(h, values[i]);
            l = std::min(l, values[i]);
        }
    }
    hi = std::max<int>(hi, h);
    lo = std::min<int>(lo, l);
}

// A pass has one gain, and a 16-bit sample only 65,536 values: each result is computed
// once instead of once per sample.
ScaleTable::ScaleTable(double gain) : out_(65536), clipped_(65536) {
    for (int s = -32768; s <= 32767; ++s) {
        const double v = s * gain + (s < 0 ? -0.5 : 0.5);
        const auto index = static_cast<std::size_t>(s + 32768);
        clipped_[index] = (v >= 32768.0 || v <= -32769.0) ? 1 : 0;
        out_[index] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
}

std::int64_t ScaleTable::apply(std::uint8_t* bytes, std::size_t samples, int& peak) const {
    std::int64_t clipped = 0;
    std::int16_t hi = 0;
    std::int16_t lo = 0;
    const std::int16_t* out = out_.data() + 32768;
    const std::uint8_t* flags = clipped_.data() + 32768;
    std::array<std::int16_t, kScaleBlock> values;
    for (std::size_t at = 0; at < samples; at += kScaleBlock) {
        const std::size_t n = std::min(kScaleBlock, samples - at);
        std::uint8_t* p = bytes + 2 * at;
        Load16(p, values.data(), n);
        std::int16_t blockHi = 0;
        std::int16_t blockLo = 0;
        for (std::size_t i = 0; i < n; ++i) {
            blockHi = std::max(blockHi, values[i]);
            blockLo = std::min(blockLo, values[i]);
        }
        // The results follow the order of the samples, so full scale stops the samples at
        // the two ends of the range, and stops some in this block only if it stops its
        // largest or its smallest.
        if (flags[blockHi] != 0 || flags[blockLo] != 0) {
            int over = 0;
            for (std::size_t i = 0; i < n; ++i) {
                over += flags[values[i]];
            }
            clipped += over;
        }
        for (std::size_t i = 0; i < n; ++i) {
            values[i] = out[values[i]];
        }
        Store16(values.data(), p, n);
        hi = std::max(hi, blockHi);
        lo = std::min(lo, blockLo);
    }
    // Likewise the extremes map to the new peak.
    const int a = out[hi];
    const int b = out[lo];
    peak = std::max({peak, a < 0 ? -a : a, b < 0 ? -b : b});
    return clipped;
}

void UpdateComputerSpeed(Settings& settings, double speed) {
    if (settings.LockTimeCalculation || speed <= 0) {
        return;
    }
    const double value = (speed * 100 + settings.ComputerSpeed) / 2;
    settings.ComputerSpeed = static_cast<std::int16_t>(std::min(value, 32767.0));
}

int FinishPass(int code, File& in, PassOutput& output, std::int64_t tailBegin, std::int64_t tailEnd,
               NormalizeOutcome& outcome) {
    if (code == normalize_result::Modified &&
        !CopyRange(in.get(), output.file(), tailBegin, tailEnd)) {
        code = normalize_result::ReadFailed;
    }
    in.reset();
    if (code == normalize_result::Modified && !output.commit()) {
        code = normalize_result::WriteFailed;
    }
    if (code != normalize_result::Modified) {
        output.abandon();
        outcome.code = code;
        if (code == normalize_result::WriteFailed) {
            outcome.message = NormalizeMessage{"NoDiskSpace", nullptr, {}};
        }
    }
    return code;
}

}  // namespace ps::normalize_detail

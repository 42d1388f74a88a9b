// Speed and memory of the normalization engines on a generated wave file, in times real
// time (1x = 176,400 bytes per second), against sox and normalize-audio on copies of the
// same file when they are installed.
//
//   bench_normalize_bench [minutes of audio, default 60]

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "audio/normalizer.h"
#include "audio/wave_file.h"
#include "platform/clock.h"

namespace fs = std::filesystem;

namespace {

constexpr double kRealTimeBytesPerSecond = 176400.0;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Music-like audio at about a third of full scale with louder and quieter passages,
// written in pieces so that memory stays small.
bool Generate(const std::string& path, int minutes) {
    const std::uint32_t frames = static_cast<std::uint32_t>(minutes) * 60 * 44100;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const auto header = ps::WaveHeader::ForDataLength(frames * 4).encode();
    bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    std::vector<std::int16_t> piece(2 * 44100);
    std::uint32_t noise = 1;
    for (std::uint32_t at = 0; ok && at < frames; at += 44100) {
        const std::uint32_t n = std::min<std::uint32_t>(44100, frames - at);
        for (std::uint32_t i = 0; i < n; ++i) {
            const double t = at + i;
            noise = noise * 1664525u + 1013904223u;
            const double swell = 0.55 + 0.45 * std::sin(t * 2.0e-5);
            const double tone = 9000.0 * std::sin(t * 0.0627) + 3000.0 * std::sin(t * 0.0131);
            const int n0 = static_cast<int>((noise >> 16) % 1001) - 500;
            piece[2 * i] = static_cast<std::int16_t>(tone * swell + n0);
            piece[2 * i + 1] = static_cast<std::int16_t>(tone * swell * 0.8 - n0);
        }
        ok = std::fwrite(piece.data(), 4, n, file) == n;
    }
    return std::fclose(file) == 0 && ok;
}

std::optional<std::string> FindProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) {
            return candidate.string();
        }
        start = end + 1;
    }
    return std::nullopt;
}

double Rate(double bytes, double seconds) {
    return bytes / seconds / kRealTimeBytesPerSecond;
}

long PeakRssKb(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const fs::path dir = fs::temp_directory_path() / "ps_normalize_bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string wave = (dir / "album.wav").string();
    if (!Generate(wave, minutes)) {
        std::fprintf(stderr, "cannot write %s\n", wave.c_str());
        return 1;
    }
    const double bytes = static_cast<double>(fs::file_size(wave));
    std::printf("normalizing a %d min wave file (%.0f MB), in place:\n", minutes, bytes / 1e6);
    ps::SteadyClock clock;
    const ps::NormalizeContext context{nullptr, [] {}, &clock, 1, 1};
    bool ok = true;

    ps::Settings simple;
    simple.NormalizeTo = 98;
    auto start = Clock::now();
    const ps::NormalizeOutcome s = ps::NormalizeWaveFile(wave, 1, simple, std::nullopt, context);
    const double simpleSeconds = SecondsSince(start);
    ok = ok && s.code == ps::normalize_result::Modified;
    std::printf(
        "  simple engine                %6.2f s = %5.0fx real time   (code %d, peak %.2f%% -> "
        "%.2f%%)\n",
        simpleSeconds, Rate(bytes, simpleSeconds), s.code, s.statistics.oldPeak,
        s.statistics.newPeak);

    ps::Settings advanced;
    advanced.AdvancedNormalizing = true;
    advanced.UseNormalizing = true;
    advanced.PeakOrAverage = "AVERAGE";
    advanced.DesiredAverage = 60;
    advanced.CompressionWhen = "ALWAYS";
    advanced.MaximumCompressWith = 60;
    advanced.CompressCondition = false;
    start = Clock::now();
    const ps::NormalizeOutcome a = ps::NormalizeWaveFile(wave, 1, advanced, std::nullopt, context);
    const double advancedSeconds = SecondsSince(start);
    ok = ok && a.code == ps::normalize_result::Modified;
    std::printf(
        "  advanced, compression 60 %%   %6.2f s = %5.0fx real time   (code %d, average %.2f%% -> "
        "%.2f%%,"
        " compact ratio %.2f -> %.2f)\n",
        advancedSeconds, Rate(bytes, advancedSeconds), a.code, a.statistics.oldAverage,
        a.statistics.newAverage, a.statistics.oldCompactRatio, a.statistics.newCompactRatio);
    const long engineRss = PeakRssKb(RUSAGE_SELF);

    std::optional<double> soxSeconds;
    if (const auto sox = FindProgram("sox")) {
        const std::string copy = (dir / "sox_in.wav").string();
        fs::copy_file(wave, copy, fs::copy_options::overwrite_existing);
        const std::string command = "'" + *sox + "' '" + copy + "' '" +
                                    (dir / "sox_out.wav").string() + "' norm -0.2 2>/dev/null";
        start = Clock::now();
        if (std::system(command.c_str()) == 0) {
            soxSeconds = SecondsSince(start);
            std::printf("  sox norm -0.2                %6.2f s = %5.0fx real time\n", *soxSeconds,
                        Rate(bytes, *soxSeconds));
        } else {
            std::printf("  sox failed\n");
        }
        fs::remove(copy);
        fs::remove(dir / "sox_out.wav");
    } else {
        std::printf("  sox: not found, not compared\n");
    }
    if (const auto normalize = FindProgram("normalize-audio")) {
        const std::string copy = (dir / "na.wav").string();
        fs::copy_file(wave, copy, fs::copy_options::overwrite_existing);
        const std::string command = "'" + *normalize + "' -q '" + copy + "' 2>/dev/null";
        start = Clock::now();
        if (std::system(command.c_str()) == 0) {
            const double seconds = SecondsSince(start);
            std::printf("  normalize-audio              %6.2f s = %5.0fx real time\n", seconds,
                        Rate(bytes, seconds));
        } else {
            std::printf("  normalize-audio failed\n");
        }
        fs::remove(copy);
    } else {
        std::printf("  normalize-audio: not found, not compared\n");
    }
    fs::remove_all(dir);

    if (soxSeconds) {
        const double simpleRatio = *soxSeconds / simpleSeconds;
        const double advancedRatio = *soxSeconds / advancedSeconds;
        std::printf("  ratio simple / sox:   %.2f (target at least 3)\n", simpleRatio);
        std::printf("  ratio advanced / sox: %.2f (target at least 1.5)\n", advancedRatio);
        ok = ok && simpleRatio >= 3 && advancedRatio >= 1.5;
    }
    std::printf("  peak resident memory of the engines: %.1f MB (target under 64 MB)\n",
                engineRss / 1024.0);
    ok = ok && engineRss < 64 * 1024;
    return ok ? 0 : 1;
}

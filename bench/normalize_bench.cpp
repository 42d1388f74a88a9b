// Speed and memory of the normalization engines on a generated wave file, in times real
// time (1x = 176,400 bytes per second), against sox and normalize-audio when they are
// installed.
//
// Every run, ours and theirs, starts alike: from a fresh copy of the same generated file in
// the same directory (so it is in the page cache for everyone), after sync(), so that no
// run pays for writing back what an earlier one left in the cache. Every run also ends
// alike: its time includes an fsync() of its output. Our engines replace the file by a
// rename, and on ext4 that rename already writes the new data out (so that a crash leaves
// the old file or the new one, never an empty one); sox and normalize-audio would
// otherwise stop the clock with theirs still in the cache. Outputs go to the same
// directory. The rounds alternate between the contenders, and each keeps its best time:
// the machine is shared, and a single run says more about its neighbours than about it.
//
//   bench_normalize_bench [minutes of audio, default 60] [rounds, default 3]

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

// Waits until the file's data is on the disk.
bool FlushToDisk(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    const bool ok = fsync(fd) == 0;
    return close(fd) == 0 && ok;
}

// One program or engine under test, with its best time so far.
struct Contender {
    Contender(std::string label, std::string output, std::function<bool()> run)
        : label(std::move(label)), output(std::move(output)), run(std::move(run)) {}
    std::string label;
    std::string output;         // the file its run writes
    std::function<bool()> run;  // on the fresh copy; false: it failed
    std::optional<double> best;
    std::string runs;  // every run's seconds, to show how much they spread
    bool failed = false;
};

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const fs::path dir = fs::temp_directory_path() / "ps_normalize_bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string pristine = (dir / "album.wav").string();
    const std::string work = (dir / "work.wav").string();
    const std::string soxOut = (dir / "sox_out.wav").string();
    if (!Generate(pristine, minutes)) {
        std::fprintf(stderr, "cannot write %s\n", pristine.c_str());
        return 1;
    }
    const double bytes = static_cast<double>(fs::file_size(pristine));
    std::printf(
        "normalizing a %d min wave file (%.0f MB), in place, until on disk, best of %d runs:\n",
        minutes, bytes / 1e6, rounds);
    ps::SteadyClock clock;
    const ps::NormalizeContext context{nullptr, [] {}, &clock, 1, 1};

    ps::Settings simple;
    simple.NormalizeTo = 98;
    ps::Settings advanced;
    advanced.AdvancedNormalizing = true;
    advanced.UseNormalizing = true;
    advanced.PeakOrAverage = "AVERAGE";
    advanced.DesiredAverage = 60;
    advanced.CompressionWhen = "ALWAYS";
    advanced.MaximumCompressWith = 60;
    advanced.CompressCondition = false;
    ps::NormalizeOutcome s;
    ps::NormalizeOutcome a;

    std::vector<Contender> contenders;
    contenders.emplace_back("simple engine", work, [&] {
        s = ps::NormalizeWaveFile(work, 1, simple, std::nullopt, context);
        return s.code == ps::normalize_result::Modified;
    });
    contenders.emplace_back("advanced, compression 60 %", work, [&] {
        a = ps::NormalizeWaveFile(work, 1, advanced, std::nullopt, context);
        return a.code == ps::normalize_result::Modified;
    });
    const std::optional<std::string> sox = FindProgram("sox");
    if (sox) {
        const std::string command =
            "'" + *sox + "' '" + work + "' '" + soxOut + "' norm -0.2 2>/dev/null";
        contenders.emplace_back("sox norm -0.2", soxOut,
                                [command] { return std::system(command.c_str()) == 0; });
    }
    const std::optional<std::string> normalize = FindProgram("normalize-audio");
    if (normalize) {
        const std::string command = "'" + *normalize + "' -q '" + work + "' 2>/dev/null";
        contenders.emplace_back("normalize-audio", work,
                                [command] { return std::system(command.c_str()) == 0; });
    }

    for (int round = 0; round < rounds; ++round) {
        for (Contender& c : contenders) {
            fs::copy_file(pristine, work, fs::copy_options::overwrite_existing);
            sync();
            const auto start = Clock::now();
            const bool ran = c.run() && FlushToDisk(c.output);
            const double seconds = SecondsSince(start);
            c.failed = c.failed || !ran;
            char secondsText[32];
            std::snprintf(secondsText, sizeof secondsText, "%s%.2f", c.runs.empty() ? "" : " ",
                          seconds);
            c.runs += secondsText;
            if (ran && (!c.best || seconds < *c.best)) {
                c.best = seconds;
            }
            fs::remove(soxOut);
        }
    }
    fs::remove_all(dir);
    // The programs run as children, which this does not count.
    const long engineRss = PeakRssKb(RUSAGE_SELF);

    bool ok = true;
    for (const Contender& c : contenders) {
        if (c.failed || !c.best) {
            std::printf("  %-28s failed\n", c.label.c_str());
            ok = false;
            continue;
        }
        std::printf("  %-28s %6.2f s = %5.0fx real time", c.label.c_str(), *c.best,
                    Rate(bytes, *c.best));
        if (&c == &contenders[0]) {
            std::printf("   (code %d, peak %.2f%% -> %.2f%%)", s.code, s.statistics.oldPeak,
                        s.statistics.newPeak);
        } else if (&c == &contenders[1]) {
            std::printf("   (code %d, average %.2f%% -> %.2f%%, compact ratio %.2f -> %.2f)",
                        a.code, a.statistics.oldAverage, a.statistics.newAverage,
                        a.statistics.oldCompactRatio, a.statistics.newCompactRatio);
        }
        std::printf("\n  %-28s runs: %s s\n", "", c.runs.c_str());
    }
    if (!sox) {
        std::printf("  sox: not found, not compared\n");
    }
    if (!normalize) {
        std::printf("  normalize-audio: not found, not compared\n");
    }
    if (sox && contenders[2].best && contenders[0].best && contenders[1].best) {
        const double soxSeconds = *contenders[2].best;
        const double simpleRatio = soxSeconds / *contenders[0].best;
        const double advancedRatio = soxSeconds / *contenders[1].best;
        std::printf("  ratio simple / sox:   %.2f (target at least 3)\n", simpleRatio);
        std::printf("  ratio advanced / sox: %.2f (target at least 1.5)\n", advancedRatio);
        ok = ok && simpleRatio >= 3 && advancedRatio >= 1.5;
    }
    std::printf("  peak resident memory of the engines: %.1f MB (target under 64 MB)\n",
                engineRss / 1024.0);
    ok = ok && engineRss < 64 * 1024;
    return ok ? 0 : 1;
}

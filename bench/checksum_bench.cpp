// Speed of the audio checksum tool and of the rip block processing, in times real time
// (1x = 176,400 bytes per second), with md5sum on the same file for comparison.
//
//   bench_checksum_bench [minutes of audio for the checksum, default 60]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/file_tools.h"
#include "audio/rip_processor.h"
#include "audio/wave_file.h"

namespace {

constexpr double kRealTimeBytesPerSecond = 176400.0;
constexpr int kSectorsPerBatch = 26;
constexpr int kRuns = 3;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Music-like audio: a few tones and noise, with a second of silence at each end.
void FillBatch(std::vector<std::uint8_t>& batch, std::int64_t firstFrame, std::int64_t frames,
               std::uint32_t& noise) {
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(batch.size() / 4); ++i) {
        const std::int64_t frame = firstFrame + i;
        int left = 0;
        int right = 0;
        if (frame >= 44100 && frame < frames - 44100) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(frame);
            const double tone = 9000.0 * std::sin(t * 0.0627) + 4000.0 * std::sin(t * 0.0131);
            const int n = static_cast<int>((noise >> 16) % 1001) - 500;
            left = static_cast<int>(tone) + n;
            right = static_cast<int>(tone * 0.7) - n;
        }
        for (int c = 0; c < 2; ++c) {
            const int v = c == 0 ? left : right;
            batch[4 * i + 2 * c] = static_cast<std::uint8_t>(v & 0xFF);
            batch[4 * i + 2 * c + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
        }
    }
}

// Rips `sectors` of generated audio through the block processing into `path`; returns
// the seconds spent in the processing and writing (not in generating the audio).
double RipThrough(const std::string& path, std::int32_t sectors, ps::RipChecksum& checksum) {
    ps::RipProcessor rip;
    if (!rip.writer().create(path)) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        std::exit(1);
    }
    ps::RipSetup setup;
    setup.firstSector = 0;
    setup.lastSector = sectors - 1;
    setup.keepLead = 75;
    setup.keepTrail = 75;
    rip.BeginWaveFile(setup);
    std::vector<std::uint8_t> batch(kSectorsPerBatch * ps::kSectorBytes);
    std::uint32_t noise = 1;
    double busy = 0;
    const std::int64_t frames = std::int64_t{sectors} * 588;
    for (std::int32_t at = 0; at < sectors; at += kSectorsPerBatch) {
        const int n = std::min(kSectorsPerBatch, sectors - at);
        batch.resize(static_cast<std::size_t>(n) * ps::kSectorBytes);
        FillBatch(batch, std::int64_t{at} * 588, frames, noise);
        const auto start = Clock::now();
        rip.DeliverBatch(batch.data(), n);
        busy += SecondsSince(start);
    }
    const auto start = Clock::now();
    rip.FinishWaveFile();
    busy += SecondsSince(start);
    checksum = rip.Checksum();
    return busy;
}

double Best(const std::vector<double>& runs) {
    return *std::min_element(runs.begin(), runs.end());
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const auto dir = std::filesystem::temp_directory_path() / "ps_checksum_bench";
    std::filesystem::create_directories(dir);
    const std::string ripPath = (dir / "rip74.wav").string();
    const std::string wavePath = (dir / "album.wav").string();

    // Rip block processing: 74 minutes, batches of 26 sectors, written to the file.
    const std::int32_t ripSectors = 74 * 60 * 75;
    std::vector<double> ripRuns;
    ps::RipChecksum ripChecksum;
    for (int run = 0; run < kRuns; ++run) {
        ripRuns.push_back(RipThrough(ripPath, ripSectors, ripChecksum));
    }
    const double ripBytes = static_cast<double>(ripSectors) * ps::kSectorBytes;
    std::printf("rip block processing, 74 min (%.0f MB) written in batches of %d sectors:\n",
                ripBytes / 1e6, kSectorsPerBatch);
    std::printf("  best %.3f s  = %.0fx real time   (checksum%s)\n", Best(ripRuns),
                ripBytes / Best(ripRuns) / kRealTimeBytesPerSecond,
                ps::RipChecksumText(ripChecksum).c_str());
    std::filesystem::remove(ripPath);

    // The checksum tool on a wave file of `minutes` minutes, against md5sum.
    ps::RipChecksum unused;
    RipThrough(wavePath, minutes * 60 * 75, unused);
    const double fileBytes = static_cast<double>(std::filesystem::file_size(wavePath));
    // Warm the page cache so both tools read from memory.
    ps::FileChecksum(wavePath, nullptr, {});
    std::vector<double> checksumRuns;
    std::vector<double> md5Runs;
    std::string text;
    const std::string md5Command = "md5sum '" + wavePath + "' > /dev/null";
    for (int run = 0; run < kRuns; ++run) {
        auto start = Clock::now();
        text = ps::FileChecksumText(ps::FileChecksum(wavePath, nullptr, {}));
        checksumRuns.push_back(SecondsSince(start));
        start = Clock::now();
        if (std::system(md5Command.c_str()) != 0) {
            std::fprintf(stderr, "md5sum failed\n");
            return 1;
        }
        md5Runs.push_back(SecondsSince(start));
    }
    std::filesystem::remove(wavePath);
    const double checksumRate = fileBytes / Best(checksumRuns) / kRealTimeBytesPerSecond;
    const double md5Rate = fileBytes / Best(md5Runs) / kRealTimeBytesPerSecond;
    std::printf("file checksum, %d min wave file (%.0f MB), best of %d:\n", minutes,
                fileBytes / 1e6, kRuns);
    std::printf("  checksum tool %.3f s = %.0fx real time   (%s)\n", Best(checksumRuns),
                checksumRate, text.c_str());
    std::printf("  md5sum        %.3f s = %.0fx real time\n", Best(md5Runs), md5Rate);
    std::printf("  ratio checksum / md5sum: %.2f (target at least 2.5)\n", checksumRate / md5Rate);
    std::filesystem::remove(dir);
    return checksumRate / md5Rate >= 2.5 ? 0 : 1;
}

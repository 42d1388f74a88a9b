#include "tracks/track_estimates.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/settings.h"
#include "cdaccess/read_method.h"
#include "i18n/text_table.h"

namespace ps {

namespace {

constexpr double kFramesPerSecond = 75.0;
constexpr std::int64_t kBytesPerFrame = 2352;
constexpr std::int64_t kBytesPerSecond = 176400;
constexpr std::int64_t kWaveHeaderBytes = 44;
constexpr double kBytesPerMegabyte = 1048576.0;
constexpr double kHighQualityFactor = 1.61;
constexpr int kOverheadSeconds = 2;
constexpr int kEncoderProgramOverheadSeconds = 3;

// Frames of a selected track as the time estimate counts them.
std::int64_t estimateFrames(const TrackRecord& track, const Settings& settings) {
    if (settings.PartialRips) {
        return static_cast<std::int64_t>(settings.PartialLength) * 75;
    }
    return static_cast<std::int64_t>(track.end) - track.start;
}

// Seconds of encoding for each second of audio.
double encodeFactor(const Settings& settings) {
    if (settings.InternalCodec) {
        return settings.L3encHQBit ? settings.CodecHq : settings.CodecLq;
    }
    if (settings.UseOwnL3encArguments) {
        return settings.EncodingSpeed[11];
    }
    const auto index = static_cast<std::size_t>(settings.bitrateIndex());
    const double factor =
        index < settings.EncodingSpeed.size() ? settings.EncodingSpeed[index] : 0.0;
    return settings.L3encHQBit ? factor * kHighQualityFactor : factor;
}

std::int64_t leadingNumber(std::string_view text) {
    std::int64_t value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            break;
        }
        value = value * 10 + (c - '0');
        if (value > 100000000) {
            break;
        }
    }
    return value;
}

}  // namespace

std::optional<std::uint64_t> FilesystemFreeSpace::freeBytes(const std::string& directory) const {
    std::error_code error;
    const std::filesystem::space_info info = std::filesystem::space(directory, error);
    if (error) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.available);
}

std::int64_t estimateSecondsLeft(const DiscRecord& disc, const Settings& settings,
                                 bool directEncodeActive, const TimeEstimateJob& job) {
    const bool idle = job.phase == TimeEstimateJob::kIdle;
    const std::size_t firstRow = idle ? 0 : job.rowsDone;
    std::int64_t frames = 0;
    int tracks = 0;
    for (std::size_t row = firstRow; row < disc.rows.size(); ++row) {
        const TrackRecord& track = disc.trackAtRow(row);
        if (track.selected) {
            frames += estimateFrames(track, settings);
            ++tracks;
        }
    }
    const double audioSeconds = static_cast<double>(frames) / kFramesPerSecond;
    // ANALOG plays the disc in real time whatever the drive could do.
    const int cdSpeed = settings.accessMode == access_mode::kAnalog ? 100 : settings.CDSpeed;
    // A speed of 0 (an edited settings file) would divide by zero; it adds nothing.
    const double readTime = cdSpeed > 0 ? audioSeconds * 100.0 / cdSpeed : 0.0;
    double normalizeTime = 0.0;
    if (settings.UseNormalizing && settings.ComputerSpeed != 0) {
        normalizeTime = audioSeconds / (settings.ComputerSpeed * 0.01);
    }
    double encodeTime = 0.0;
    double grabbedEncodeTime = 0.0;
    if (settings.UseL3enc) {
        const double factor = encodeFactor(settings);
        encodeTime = audioSeconds * factor;
        if (!idle && settings.RipAllTracksBeforeEncoding) {
            grabbedEncodeTime =
                static_cast<double>(job.grabbedFramesToEncode) / kFramesPerSecond * factor;
        }
    }
    double overhead = static_cast<double>(tracks) * kOverheadSeconds;
    if (settings.UseL3enc && !settings.InternalCodec) {
        overhead += static_cast<double>(tracks) * kEncoderProgramOverheadSeconds;
    }
    const double readAndEncode =
        directEncodeActive ? std::max(readTime, encodeTime) : readTime + encodeTime;
    const double total = readAndEncode + normalizeTime + overhead + grabbedEncodeTime;
    if (!(total > 0.0)) {
        return 0;
    }
    return static_cast<std::int64_t>(std::min(total, 1e15));
}

std::string formatTimeLeft(const TextTable& texts, std::int64_t seconds) {
    seconds = std::max<std::int64_t>(seconds, 0);
    const int hours = static_cast<int>((seconds / 3600) % 99);
    const int minutes = static_cast<int>((seconds / 60) % 60);
    const int rest = static_cast<int>(seconds % 60);
    return texts.format("TimeLeftStatus", hours, minutes, rest);
}

std::int64_t codecBytesPerSecond(std::string_view codecMode) {
    std::int64_t number = leadingNumber(codecMode);
    if (number == 0) {
        const std::size_t unit = codecMode.find(" kBit");
        if (unit != std::string_view::npos) {
            std::size_t begin = unit;
            while (begin > 0 && std::isdigit(static_cast<unsigned char>(codecMode[begin - 1]))) {
                --begin;
            }
            number = leadingNumber(codecMode.substr(begin, unit - begin));
        }
    }
    return number * 125;
}

DiskSpaceEstimate estimateDiskSpace(const DiscRecord& disc, const Settings& settings,
                                    bool directEncodeActive,
                                    std::optional<std::uint64_t> freeBytes) {
    DiskSpaceEstimate estimate;
    std::int64_t bytesPerSecond = 0;
    if (settings.UseL3enc) {
        if (settings.InternalCodec) {
            bytesPerSecond = codecBytesPerSecond(settings.CodecMode);
        } else {
            const auto index = static_cast<std::size_t>(settings.bitrateIndex());
            bytesPerSecond = index < kL3encBitrates.size() ? kL3encBitrates[index] / 8 : 0;
        }
    }
    for (std::size_t row = 0; row < disc.rows.size(); ++row) {
        const TrackRecord& track = disc.trackAtRow(row);
        if (!track.selected) {
            continue;
        }
        const std::int64_t frames = settings.PartialRips
                                        ? static_cast<std::int64_t>(settings.PartialLength) * 75
                                        : static_cast<std::int64_t>(track.frames());
        std::int64_t wave = 0;
        if (!directEncodeActive) {
            wave = settings.PartialRips ? frames / 75 * kBytesPerSecond + kWaveHeaderBytes
                                        : frames * kBytesPerFrame + kWaveHeaderBytes;
        }
        estimate.sum += wave;
        estimate.maximum = std::max(estimate.maximum, estimate.sum);
        if (settings.UseL3enc) {
            estimate.sum += bytesPerSecond * frames / 75;
            estimate.maximum = std::max(estimate.maximum, estimate.sum);
            if (settings.DeleteWave && !settings.RipAllTracksBeforeEncoding) {
                estimate.sum -= wave;
            }
        }
    }
    estimate.neededMb = static_cast<double>(estimate.maximum) / kBytesPerMegabyte;
    estimate.freeKnown = freeBytes.has_value();
    estimate.freeMb = freeBytes ? static_cast<double>(*freeBytes) / kBytesPerMegabyte : 0.0;
    return estimate;
}

std::string formatDiskNeeded(const TextTable& texts, const DiskSpaceEstimate& estimate) {
    return texts.format("DiskNeededStatus", estimate.neededMb, estimate.freeMb);
}

}  // namespace ps

#include "audio/audio_checksum.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>

namespace ps {

namespace {

// Samples are added in chunks of at most this many, so that one weight table serves
// every starting weight.
constexpr std::size_t kChunk = 4096;

struct WeightTable {
    std::array<std::int16_t, 256 + kChunk> values{};
    constexpr WeightTable() {
        for (std::size_t k = 0; k < values.size(); ++k) {
            values[k] = static_cast<std::int16_t>(k % 256 + 1);
        }
    }
};
constexpr WeightTable kWeights;

// Plain loops over 16-bit data that the compiler turns into vector code; the sum wraps
// at 32 bits like the checksum itself.
std::uint32_t WeightedSum(const std::int16_t* samples, const std::int16_t* weights,
                          std::size_t count) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += static_cast<std::uint32_t>(std::int32_t{samples[i]} * std::int32_t{weights[i]});
    }
    return sum;
}

}  // namespace

void SampleRange(const std::int16_t* samples, std::size_t count, int& low, int& high) {
    std::int16_t lo = 0;
    std::int16_t hi = 0;
    if (count > 0) {
        lo = hi = samples[0];
    }
    for (std::size_t i = 0; i < count; ++i) {
        lo = std::min(lo, samples[i]);
        hi = std::max(hi, samples[i]);
    }
    low = lo;
    high = hi;
}

std::size_t FindFirstLoud(const std::int16_t* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (IsLoud(samples[i])) {
            return i;
        }
    }
    return count;
}

void LoadSamples(const std::uint8_t* bytes, std::int16_t* samples, std::size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(samples, bytes, count * 2);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        }
    }
}

void AudioChecksum::add(const std::int16_t* samples, std::size_t count) {
    while (count > 0) {
        const std::size_t n = std::min(count, kChunk);
        const std::int16_t* weights = kWeights.values.data() + (weight - 1);
        int low = 0;
        int high = 0;
        SampleRange(samples, n, low, high);
        if (IsLoud(low) || IsLoud(high)) {
            std::size_t last = n - 1;
            while (!IsLoud(samples[last])) {
                --last;
            }
            sum += WeightedSum(samples, weights, last + 1);
            checksum = sum;
            sum += WeightedSum(samples + last + 1, weights + last + 1, n - last - 1);
            sinceLoud = n - last - 1;
        } else {
            sum += WeightedSum(samples, weights, n);
            sinceLoud += n;
        }
        weight = static_cast<std::uint32_t>((weight - 1 + n) % 256 + 1);
        samples += n;
        count -= n;
    }
}

std::string ChecksumText(std::uint32_t checksum, bool startsWithSilence, bool endsWithSilence) {
    char text[16];
    std::snprintf(text, sizeof text, "%s%08lX%s", startsWithSilence ? "" : "X",
                  static_cast<unsigned long>(checksum), endsWithSilence ? "" : "X");
    return text;
}

}  // namespace ps

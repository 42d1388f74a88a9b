#include "audio/audio_checksum.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>

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

// Samples in the host's order.
struct HostSamples {
    const std::int16_t* samples;
    std::int16_t operator[](std::size_t i) const { return samples[i]; }
    HostSamples from(std::size_t i) const { return {samples + i}; }
};

// Little-endian samples read where they stand in the audio bytes; on a little-endian
// host the copy of two bytes is a plain load the compiler can vectorise.
struct LittleEndianSamples {
    const std::uint8_t* bytes;
    std::int16_t operator[](std::size_t i) const {
        if constexpr (std::endian::native == std::endian::little) {
            std::int16_t value;
            std::memcpy(&value, bytes + 2 * i, sizeof value);
            return value;
        } else {
            return static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        }
    }
    LittleEndianSamples from(std::size_t i) const { return {bytes + 2 * i}; }
};

// Plain loops over 16-bit data that the compiler turns into vector code; the sum wraps
// at 32 bits like the checksum itself. The range starts from the extremes of the type,
// so that the loops need no first sample.
template <typename Samples>
std::uint32_t WeightedSum(Samples samples, const std::int16_t* weights, std::size_t count) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += static_cast<std::uint32_t>(std::int32_t{samples[i]} * std::int32_t{weights[i]});
    }
    return sum;
}

template <typename Samples>
std::uint32_t WeightedSumAndRange(Samples samples, const std::int16_t* weights, std::size_t count,
                                  std::int16_t& low, std::int16_t& high) {
    std::uint32_t sum = 0;
    std::int16_t lo = low;
    std::int16_t hi = high;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int16_t s = samples[i];
        sum += static_cast<std::uint32_t>(std::int32_t{s} * std::int32_t{weights[i]});
        lo = s < lo ? s : lo;
        hi = s > hi ? s : hi;
    }
    low = lo;
    high = hi;
    return sum;
}

template <typename Samples>
void RangeOf(Samples samples, std::size_t count, int& low, int& high) {
    std::int16_t lo = std::numeric_limits<std::int16_t>::max();
    std::int16_t hi = std::numeric_limits<std::int16_t>::min();
    for (std::size_t i = 0; i < count; ++i) {
        const std::int16_t s = samples[i];
        lo = s < lo ? s : lo;
        hi = s > hi ? s : hi;
    }
    low = count > 0 ? lo : 0;
    high = count > 0 ? hi : 0;
}

template <typename Samples>
std::size_t FirstLoudOf(Samples samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (IsLoud(samples[i])) {
            return i;
        }
    }
    return count;
}

// One pass per chunk gives the weighted sum and the range; only a chunk with a loud
// sample is read again, from its end back to the last loud sample, to take the sum of
// the quiet tail back out of the checksum (the sums wrap, so the difference is exact).
template <typename Samples>
void AddSamples(AudioChecksum& c, Samples samples, std::size_t count, int& low, int& high) {
    std::int16_t lo = std::numeric_limits<std::int16_t>::max();
    std::int16_t hi = std::numeric_limits<std::int16_t>::min();
    const bool any = count > 0;
    while (count > 0) {
        const std::size_t n = std::min(count, kChunk);
        const std::int16_t* weights = kWeights.values.data() + (c.weight - 1);
        std::int16_t chunkLow = std::numeric_limits<std::int16_t>::max();
        std::int16_t chunkHigh = std::numeric_limits<std::int16_t>::min();
        const std::uint32_t total = WeightedSumAndRange(samples, weights, n, chunkLow, chunkHigh);
        if (IsLoud(chunkLow) || IsLoud(chunkHigh)) {
            std::size_t last = n - 1;
            while (!IsLoud(samples[last])) {
                --last;
            }
            const std::uint32_t tail =
                WeightedSum(samples.from(last + 1), weights + last + 1, n - last - 1);
            c.checksum = c.sum + total - tail;
            c.sinceLoud = n - last - 1;
        } else {
            c.sinceLoud += n;
        }
        c.sum += total;
        lo = std::min(lo, chunkLow);
        hi = std::max(hi, chunkHigh);
        c.weight = static_cast<std::uint32_t>((c.weight - 1 + n) % 256 + 1);
        samples = samples.from(n);
        count -= n;
    }
    low = any ? lo : 0;
    high = any ? hi : 0;
}

}  // namespace

void SampleRange(const std::int16_t* samples, std::size_t count, int& low, int& high) {
    RangeOf(HostSamples{samples}, count, low, high);
}

void SampleRange(const std::uint8_t* bytes, std::size_t count, int& low, int& high) {
    RangeOf(LittleEndianSamples{bytes}, count, low, high);
}

std::size_t FindFirstLoud(const std::int16_t* samples, std::size_t count) {
    return FirstLoudOf(HostSamples{samples}, count);
}

std::size_t FindFirstLoud(const std::uint8_t* bytes, std::size_t count) {
    return FirstLoudOf(LittleEndianSamples{bytes}, count);
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
    int low = 0;
    int high = 0;
    AddSamples(*this, HostSamples{samples}, count, low, high);
}

void AudioChecksum::add(const std::uint8_t* bytes, std::size_t count, int& low, int& high) {
    AddSamples(*this, LittleEndianSamples{bytes}, count, low, high);
}

std::string ChecksumText(std::uint32_t checksum, bool startsWithSilence, bool endsWithSilence) {
    char text[16];
    std::snprintf(text, sizeof text, "%s%08lX%s", startsWithSilence ? "" : "X",
                  static_cast<unsigned long>(checksum), endsWithSilence ? "" : "X");
    return text;
}

}  // namespace ps

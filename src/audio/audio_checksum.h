#pragma once

#include "audio/cd_format.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace ps {

// CD audio in the units the rip and the file tools work in.
inline constexpr std::size_t kSectorSamples = 1176;  // 16-bit samples, left and right alternating
inline constexpr std::size_t kSectorFrames = 588;

// A sample counts as music (not silence) above this magnitude.
inline constexpr int kLoudLimit = 127;
inline bool IsLoud(int sample) {
    return sample > kLoudLimit || sample < -kLoudLimit;
}

// The running audio checksum. Every sample from the first loud one on is added with a
// weight that cycles 1..256; the checksum is the sum as it stood after the last loud
// sample, so silence before and after the music leaves it unchanged. The caller starts
// adding at the first loud sample.
struct AudioChecksum {
    std::uint32_t sum = 0;
    std::uint32_t weight = 1;  // 1..256
    std::uint32_t checksum = 0;
    std::uint64_t sinceLoud = 0;  // samples added after the last loud one

    void add(const std::int16_t* samples, std::size_t count);
    // The same for little-endian samples read in place from audio bytes; also gives the
    // smallest and largest sample added (0 and 0 for none), found in the same pass.
    void add(const std::uint8_t* bytes, std::size_t count, int& low, int& high);
};

// Smallest and largest sample of a range (0 and 0 for an empty range).
void SampleRange(const std::int16_t* samples, std::size_t count, int& low, int& high);
// ... of little-endian samples read in place from audio bytes.
void SampleRange(const std::uint8_t* bytes, std::size_t count, int& low, int& high);

// Index of the first loud sample, or count when there is none.
std::size_t FindFirstLoud(const std::int16_t* samples, std::size_t count);
std::size_t FindFirstLoud(const std::uint8_t* bytes, std::size_t count);

// Little-endian 16-bit samples from bytes, whatever the host's byte order.
void LoadSamples(const std::uint8_t* bytes, std::int16_t* samples, std::size_t count);

// "1A2B3C4D" with an "X" in front when the audio does not start with silence and an
// "X" behind when it does not end with silence: such a checksum depends on the offset
// of the rip and is not comparable.
std::string ChecksumText(std::uint32_t checksum, bool startsWithSilence, bool endsWithSilence);

}  // namespace ps

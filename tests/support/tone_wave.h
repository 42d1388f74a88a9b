#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace ps::test {

// A CD-format wave file (16-bit stereo 44,100 Hz, both channels alike) holding
// `frames` frames of amplitude × sin(i × step).
inline void writeToneWave(const std::filesystem::path& path, std::uint32_t frames, double amplitude,
                          double step) {
    std::vector<std::int16_t> samples;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::int16_t>(std::lround(amplitude * std::sin(i * step)));
        samples.push_back(value);
        samples.push_back(value);
    }
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
}

}  // namespace ps::test

#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "audio/audio_checksum.h"
#include "audio/wave_file.h"

namespace ps::test {

using Bytes = std::vector<std::uint8_t>;

// A directory of its own per test, removed afterwards.
class TempDir {
  public:
    TempDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("ps_audio_" + std::to_string(std::random_device{}()) + "_" +
                 std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline void PutSample(Bytes& bytes, std::size_t index, int value) {
    bytes[2 * index] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[2 * index + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

inline int GetSample(const Bytes& bytes, std::size_t index) {
    return static_cast<std::int16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
}

inline Bytes Silence(std::size_t sectors) {
    return Bytes(sectors * kSectorBytes, 0);
}

// Music-like audio: a tone with noise on it, different on each call with another seed,
// never repeating within a few seconds (so that alignment has exactly one answer).
inline Bytes Music(std::size_t sectors, std::uint32_t seed = 1) {
    Bytes bytes(sectors * kSectorBytes);
    std::uint32_t state = seed * 2654435761u + 12345;
    for (std::size_t frame = 0; frame < sectors * kSectorFrames; ++frame) {
        state = state * 1664525u + 1013904223u;
        const int noise = static_cast<int>((state >> 16) % 2001) - 1000;
        const double tone = 12000.0 * std::sin(static_cast<double>(frame) * 0.0627);
        PutSample(bytes, 2 * frame, static_cast<int>(tone) + noise);
        PutSample(bytes, 2 * frame + 1, static_cast<int>(tone * 0.8) - noise);
    }
    return bytes;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

inline Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A canonical CD-format wave file around the audio.
inline Bytes WaveBytes(const Bytes& audio) {
    const auto header =
        WaveHeader::ForDataLength(static_cast<std::uint32_t>(audio.size())).encode();
    Bytes file(header.begin(), header.end());
    file.insert(file.end(), audio.begin(), audio.end());
    return file;
}

}  // namespace ps::test

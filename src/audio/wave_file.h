#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ps {

// Result of a rip whose wave header could not be written.
inline constexpr int WaveWriteError = 10003;

inline constexpr std::size_t kWaveHeaderSize = 44;

// The canonical 44-byte header of the CD format; the audio follows at offset 44.
struct WaveHeader {
    std::uint32_t riffSize = 36;
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 2;
    std::uint32_t sampleRate = 44100;
    std::uint32_t bytesPerSecond = 176400;
    std::uint16_t blockAlign = 4;
    std::uint16_t bitsPerSample = 16;
    std::uint32_t dataLength = 0;

    static WaveHeader ForDataLength(std::uint32_t dataLength);
    std::array<std::uint8_t, kWaveHeaderSize> encode() const;
};

// The one wave file being written. It counts every audio byte it writes, so that the
// header and the silence trimming always agree with what is in the file.
class WaveWriter {
  public:
    WaveWriter();
    ~WaveWriter();
    WaveWriter(const WaveWriter&) = delete;
    WaveWriter& operator=(const WaveWriter&) = delete;

    // Creates the file (mode "wb+") with a large stream buffer. False when it cannot.
    bool create(const std::string& path);
    // Takes a file the caller opened; the path is used to delete and to shorten it.
    void adopt(std::FILE* file, const std::string& path);
    void close();
    // Closes and deletes the file.
    void discard();

    bool isOpen() const { return file_ != nullptr; }
    std::FILE* file() const { return file_; }
    const std::string& path() const { return path_; }

    // Writes the header record at offset 0, in two pieces; true when both completed.
    bool writeHeader();
    // Appends audio at the current position and counts it into the data length.
    bool writeAudio(const std::uint8_t* data, std::size_t length);

    WaveHeader header;
    std::uint32_t dataLength = 0;  // audio bytes in the file
    bool writeEnabled = true;      // off for test rips and direct encoding

  private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::vector<char> streamBuffer_;  // allocated once, reused by every file
};

// What ReadWaveFormat found.
struct WaveFormatInfo {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    bool cdFormat = false;              // 44100 Hz, 16 bit, stereo
    std::int64_t dataLengthOffset = 0;  // just behind the letters "data" (40 when canonical)
    std::uint32_t dataLength = 0;       // as read there
};

// Checks whether an open wave file is one the program can process and where its audio
// length is stored. False for an unreadable header, an unsupported format (the format
// fields are still filled, for the messages) or no "data" within 4096 bytes of offset 36.
bool ReadWaveFormat(std::FILE* file, WaveFormatInfo& info);

// The three texts for the "%s" of the invalid-format message: "stereo,", "16 bit,", "44100 Hz".
struct WaveFormatDescription {
    std::string channels;
    std::string bits;
    std::string rate;
};
WaveFormatDescription DescribeWaveFormat(const WaveFormatInfo& info);

// Case-insensitive search of `pattern` (lower case) that drops back to the start on a
// mismatch without looking at the mismatching byte again, as the wave reader has always
// matched; returns the number of bytes consumed up to the end of the match, or 0.
std::size_t SimpleMatch(const std::uint8_t* bytes, std::size_t length, const char* pattern);

}  // namespace ps

#include "audio/wave_file.h"

#include <cstring>

namespace ps {

namespace {

constexpr std::size_t kStreamBufferSize = 1 << 20;

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

int Get16(const std::uint8_t* p) {
    return p[0] | (p[1] << 8);
}

std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

// Lower-cases ASCII letters only, as the platform's single-byte lower-casing does for
// the letters the readers look for.
std::uint8_t LowerByte(std::uint8_t b) {
    return (b >= 'A' && b <= 'Z') ? static_cast<std::uint8_t>(b + ('a' - 'A')) : b;
}

}  // namespace

WaveHeader WaveHeader::ForDataLength(std::uint32_t dataLength) {
    WaveHeader header;
    header.dataLength = dataLength;
    header.riffSize = dataLength + 36;
    return header;
}

std::array<std::uint8_t, kWaveHeaderSize> WaveHeader::encode() const {
    std::array<std::uint8_t, kWaveHeaderSize> b{};
    std::memcpy(&b[0], "RIFF", 4);
    Put32(&b[4], riffSize);
    std::memcpy(&b[8], "WAVE", 4);
    std::memcpy(&b[12], "fmt ", 4);
    Put32(&b[16], 16);
    Put16(&b[20], formatTag);
    Put16(&b[22], channels);
    Put32(&b[24], sampleRate);
    Put32(&b[28], bytesPerSecond);
    Put16(&b[32], blockAlign);
    Put16(&b[34], bitsPerSample);
    std::memcpy(&b[36], "data", 4);
    Put32(&b[40], dataLength);
    return b;
}

WaveWriter::WaveWriter() : streamBuffer_(kStreamBufferSize) {}

WaveWriter::~WaveWriter() {
    close();
}

bool WaveWriter::create(const std::string& path) {
    close();
    std::FILE* file = std::fopen(path.c_str(), "wb+");
    if (file == nullptr) {
        return false;
    }
    std::setvbuf(file, streamBuffer_.data(), _IOFBF, streamBuffer_.size());
    adopt(file, path);
    return true;
}

void WaveWriter::adopt(std::FILE* file, const std::string& path) {
    if (file_ != nullptr && file_ != file) {
        close();
    }
    file_ = file;
    path_ = path;
    dataLength = 0;
}

void WaveWriter::close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void WaveWriter::discard() {
    close();
    if (!path_.empty()) {
        std::remove(path_.c_str());
    }
}

bool WaveWriter::writeHeader() {
    if (file_ == nullptr) {
        return false;
    }
    const auto bytes = header.encode();
    bool ok = std::fseek(file_, 0, SEEK_SET) == 0;
    ok = ok && std::fwrite(bytes.data(), 1, 8, file_) == 8;
    ok = ok && std::fwrite(bytes.data() + 8, 1, 36, file_) == 36;
    // A full disk shows only when the buffer reaches the file.
    ok = ok && std::fflush(file_) == 0;
    return ok;
}

bool WaveWriter::writeAudio(const std::uint8_t* data, std::size_t length) {
    if (file_ == nullptr) {
        return false;
    }
    const std::size_t written = std::fwrite(data, 1, length, file_);
    dataLength += static_cast<std::uint32_t>(written);
    return written == length;
}

bool ReadWaveFormat(std::FILE* file, WaveFormatInfo& info) {
    info.dataLength = 0;
    info.cdFormat = true;
    std::uint8_t format[14];
    if (file == nullptr || std::fseek(file, 22, SEEK_SET) != 0 ||
        std::fread(format, 1, sizeof format, file) != sizeof format) {
        return false;
    }
    info.channels = Get16(&format[0]);
    // The whole 32-bit rate: a rate that merely agrees in its low 16 bits is not 44100 Hz.
    const std::uint32_t rate = Get32(&format[2]);
    info.sampleRate = rate > 0x7FFFFFFF ? -1 : static_cast<int>(rate);
    info.bitsPerSample = Get16(&format[12]);
    info.cdFormat = info.sampleRate == 44100 && info.bitsPerSample == 16 && info.channels == 2;

    bool rateOk = false;
    for (int known : {8000, 11025, 16000, 22050, 24000, 32000, 44100, 48000}) {
        rateOk = rateOk || info.sampleRate == known;
    }
    const bool bitsOk = info.bitsPerSample == 8 || info.bitsPerSample == 16;
    const bool channelsOk = info.channels == 1 || info.channels == 2;
    if (!rateOk || !bitsOk || !channelsOk) {
        return false;
    }

    // Bytes 34..35 were the last read, so the stream stands at offset 36.
    std::uint8_t scan[4096];
    const std::size_t got = std::fread(scan, 1, sizeof scan, file);
    const std::size_t matched = SimpleMatch(scan, got, "data");
    if (matched == 0) {
        return false;
    }
    info.dataLengthOffset = 36 + static_cast<std::int64_t>(matched);
    std::uint8_t length[4];
    if (std::fseek(file, static_cast<long>(info.dataLengthOffset), SEEK_SET) == 0 &&
        std::fread(length, 1, 4, file) == 4) {
        info.dataLength = Get32(length);
    }
    return true;
}

WaveFormatDescription DescribeWaveFormat(const WaveFormatInfo& info) {
    WaveFormatDescription d;
    d.channels = info.channels == 1 ? "mono," : "stereo,";
    d.bits = std::to_string(info.bitsPerSample) + " bit,";
    d.rate = std::to_string(info.sampleRate) + " Hz";
    return d;
}

std::size_t SimpleMatch(const std::uint8_t* bytes, std::size_t length, const char* pattern) {
    const std::size_t patternLength = std::strlen(pattern);
    std::size_t state = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (LowerByte(bytes[i]) == LowerByte(static_cast<std::uint8_t>(pattern[state]))) {
            if (++state == patternLength) {
                return i + 1;
            }
        } else {
            state = 0;
        }
    }
    return 0;
}

}  // namespace ps

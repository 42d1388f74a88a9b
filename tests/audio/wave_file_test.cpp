#include "audio/wave_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "audio/rip_processor.h"
#include "audio/track_tag.h"
#include "audio_fixtures.h"

namespace ps {
namespace {

using test::Bytes;

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

TEST(WaveHeader, CanonicalLayout) {
    const auto bytes = WaveHeader::ForDataLength(0).encode();
    const Bytes b(bytes.begin(), bytes.end());
    EXPECT_EQ(std::memcmp(&b[0], "RIFF", 4), 0);
    EXPECT_EQ(Le32(b, 4), 36u);  // a 0-sector rip
    EXPECT_EQ(std::memcmp(&b[8], "WAVEfmt ", 8), 0);
    EXPECT_EQ(Le32(b, 16), 16u);
    EXPECT_EQ(b[20] | (b[21] << 8), 1);
    EXPECT_EQ(b[22] | (b[23] << 8), 2);
    EXPECT_EQ(Le32(b, 24), 44100u);
    EXPECT_EQ(Le32(b, 28), 176400u);
    EXPECT_EQ(b[32] | (b[33] << 8), 4);
    EXPECT_EQ(b[34] | (b[35] << 8), 16);
    EXPECT_EQ(std::memcmp(&b[36], "data", 4), 0);
    EXPECT_EQ(Le32(b, 40), 0u);
}

TEST(BeginWaveFile, ProvisionalHeaderThenFinalLength) {
    test::TempDir dir;
    RipProcessor rip;
    ASSERT_TRUE(rip.writer().create(dir.file("temp.wav")));
    RipSetup setup;
    setup.firstSector = 100;
    setup.lastSector = 109;
    ASSERT_EQ(rip.BeginWaveFile(setup), 1);
    std::fflush(rip.writer().file());
    Bytes file = test::ReadAll(dir.file("temp.wav"));
    ASSERT_EQ(file.size(), 44u);
    EXPECT_EQ(Le32(file, 40), 10 * kSectorBytes);
    EXPECT_EQ(Le32(file, 4), 10 * kSectorBytes + 36);

    Bytes audio = test::Music(4);
    ASSERT_EQ(rip.DeliverBatch(audio.data(), 4), 1);
    rip.FinishWaveFile();
    file = test::ReadAll(dir.file("temp.wav"));
    ASSERT_EQ(file.size(), 44 + 4 * kSectorBytes);
    EXPECT_EQ(Le32(file, 40), 4 * kSectorBytes);
    EXPECT_EQ(Le32(file, 4), 4 * kSectorBytes + 36);
}

TEST(BeginWaveFile, HeaderThatCannotBeWrittenDeletesTheFile) {
    test::TempDir dir;
    const std::string path = dir.file("temp.wav");
    test::WriteAll(path, {});
    RipProcessor rip;
    rip.writer().adopt(std::fopen(path.c_str(), "rb"), path);  // every write fails
    RipSetup setup;
    setup.lastSector = 10;
    EXPECT_EQ(rip.BeginWaveFile(setup), WaveWriteError);
    EXPECT_FALSE(rip.writer().isOpen());
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A 44-byte header for the reader with the given format fields.
Bytes Header(int channels, std::uint32_t rate, int bits) {
    auto header = WaveHeader::ForDataLength(1000);
    header.channels = static_cast<std::uint16_t>(channels);
    header.sampleRate = rate;
    header.bitsPerSample = static_cast<std::uint16_t>(bits);
    const auto bytes = header.encode();
    return Bytes(bytes.begin(), bytes.end());
}

Bytes Chunk(const char* id, std::uint32_t size, std::size_t bodyBytes, std::uint8_t fill = 0) {
    Bytes chunk(id, id + 4);
    for (int i = 0; i < 4; ++i) {
        chunk.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    }
    chunk.insert(chunk.end(), bodyBytes, fill);
    return chunk;
}

Bytes FmtChunk(std::uint32_t size, int channels, int rate, int blockAlign, int bits,
               std::size_t body) {
    Bytes chunk = Chunk("fmt ", size, 0);
    const int fields[] = {1, channels};
    for (int f : fields) {
        chunk.push_back(static_cast<std::uint8_t>(f));
        chunk.push_back(static_cast<std::uint8_t>(f >> 8));
    }
    for (std::uint32_t v :
         {static_cast<std::uint32_t>(rate), static_cast<std::uint32_t>(rate * 4)}) {
        for (int i = 0; i < 4; ++i) {
            chunk.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    for (int f : {blockAlign, bits}) {
        chunk.push_back(static_cast<std::uint8_t>(f));
        chunk.push_back(static_cast<std::uint8_t>(f >> 8));
    }
    chunk.resize(8 + body, 0);
    return chunk;
}

Bytes Riff(std::initializer_list<Bytes> chunks) {
    Bytes file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) {
        file.insert(file.end(), c.begin(), c.end());
    }
    return file;
}

struct FormatCase {
    const char* name;
    Bytes file;
    bool accepted;
    bool cdFormat;
    std::int64_t dataLengthOffset;  // checked when accepted
    std::uint32_t dataLength;
};

class ReadWaveFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ReadWaveFormatTest, AcceptsOnlyWhatItCanProcessAndReadsSafely) {
    const FormatCase& c = GetParam();
    test::TempDir dir;
    const std::string path = dir.file("in.wav");
    test::WriteAll(path, c.file);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    WaveFormatInfo info;
    const bool accepted = ReadWaveFormat(file, info);
    std::fclose(file);
    EXPECT_EQ(accepted, c.accepted);
    if (accepted) {
        EXPECT_EQ(info.cdFormat, c.cdFormat);
        EXPECT_EQ(info.dataLengthOffset, c.dataLengthOffset);
        EXPECT_EQ(info.dataLength, c.dataLength);
        // Whatever the header claims, looking for a tag behind the audio stays in bounds.
        std::string finalName = "old";
        ReadTrackTag(path, info, true, false, nullptr, finalName);
    }
}

Bytes WithTail(Bytes file, const Bytes& tail) {
    file.insert(file.end(), tail.begin(), tail.end());
    return file;
}

Bytes Prefix(Bytes file, std::size_t length) {
    file.resize(length);
    return file;
}

Bytes ReplaceAt(Bytes file, std::size_t at, const char* text) {
    std::memcpy(&file[at], text, std::strlen(text));
    return file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadWaveFormatTest,
    ::testing::Values(
        FormatCase{"Canonical", WithTail(Header(2, 44100, 16), Bytes(1000)), true, true, 40, 1000},
        FormatCase{"MonoIsAcceptedButNotCd", WithTail(Header(1, 44100, 16), Bytes(8)), true, false,
                   40, 1000},
        FormatCase{"EightBit22k", WithTail(Header(2, 22050, 8), Bytes(8)), true, false, 40, 1000},
        FormatCase{"UpperCaseData", ReplaceAt(Header(2, 44100, 16), 36, "DATA"), true, true, 40,
                   1000},
        FormatCase{"ZeroChannels", Header(0, 44100, 16), false, false, 0, 0},
        FormatCase{"ZeroBits", Header(2, 44100, 0), false, false, 0, 0},
        FormatCase{"RateAgreeingOnlyInLow16Bits", Header(2, 44100 + 65536, 16), false, false, 0, 0},
        FormatCase{"OddRate", Header(2, 44000, 16), false, false, 0, 0},
        FormatCase{"TruncatedHeader", Prefix(Header(2, 44100, 16), 30), false, false, 0, 0},
        FormatCase{"EmptyFile", Bytes{}, false, false, 0, 0},
        // A chunk ending in "d" just before "data" hides the match from the scanner.
        FormatCase{"HiddenMatch",
                   Riff({FmtChunk(16, 2, 44100, 4, 16, 16),
                         Bytes{'L', 'I', 'S', 'T', 2, 0, 0, 0, 'x', 'd'}, Chunk("data", 8, 8)}),
                   false, false, 0, 0},
        FormatCase{"ChunkBeforeData",
                   Riff({FmtChunk(16, 2, 44100, 4, 16, 16), Chunk("LIST", 6, 6, 'x'),
                         Chunk("data", 8, 8)}),
                   true, true, 40 + 14, 8},
        FormatCase{"NoDataWithin4096Bytes",
                   Riff({FmtChunk(16, 2, 44100, 4, 16, 16), Chunk("junk", 5000, 5000),
                         Chunk("data", 8, 8)}),
                   false, false, 0, 0},
        FormatCase{"DataMarkerAtEndWithoutLength", Prefix(Header(2, 44100, 16), 40), true, true, 40,
                   0},
        FormatCase{"DataSizeAllOnes",
                   Riff({FmtChunk(16, 2, 44100, 4, 16, 16), Chunk("data", 0xFFFFFFFF, 100)}), true,
                   true, 40, 0xFFFFFFFF},
        FormatCase{"DataPastEndOfFile",
                   Riff({FmtChunk(16, 2, 44100, 4, 16, 16), Chunk("data", 100000, 10)}), true, true,
                   40, 100000},
        FormatCase{"ZeroBlockAlign", Riff({FmtChunk(16, 2, 44100, 0, 16, 16), Chunk("data", 4, 4)}),
                   true, true, 40, 4},
        FormatCase{"FormatChunkOfSize0", Riff({Chunk("fmt ", 0, 0), Chunk("data", 100, 100)}),
                   false, false, 0, 0},
        // Without its bits field the next chunk's name is read as the bits.
        FormatCase{"FormatChunkOfSize14",
                   Riff({FmtChunk(14, 2, 44100, 4, 16, 14), Chunk("data", 4, 4)}), false, false, 0,
                   0},
        FormatCase{"FormatChunkOfSize200",
                   Riff({FmtChunk(200, 2, 44100, 4, 16, 200), Chunk("data", 4, 4)}), true, true,
                   40 + 184, 4},
        FormatCase{"TwoFormatChunks",
                   Riff({FmtChunk(16, 2, 44100, 4, 16, 16), FmtChunk(16, 1, 8000, 1, 8, 16),
                         Chunk("data", 4, 4)}),
                   true, true, 40 + 24, 4},
        FormatCase{"UnknownChunkBeforeFormat",
                   Riff({Chunk("junk", 4, 4, 0xFF), FmtChunk(16, 2, 44100, 4, 16, 16),
                         Chunk("data", 4, 4)}),
                   false, false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DescribeWaveFormat, FillsTheMessageTexts) {
    WaveFormatInfo info;
    info.channels = 1;
    info.bitsPerSample = 8;
    info.sampleRate = 22050;
    auto d = DescribeWaveFormat(info);
    EXPECT_EQ(d.channels, "mono,");
    EXPECT_EQ(d.bits, "8 bit,");
    EXPECT_EQ(d.rate, "22050 Hz");
    info.channels = 2;
    EXPECT_EQ(DescribeWaveFormat(info).channels, "stereo,");
}

}  // namespace
}  // namespace ps

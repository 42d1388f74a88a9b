#include "audio/rip_processor.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace ps {

namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;
constexpr int kLeadingLoud = 128;
constexpr int kTrailingLoudDigital = 127;
constexpr int kTrailingLoudAnalog = 500;

int SampleAt(const std::uint8_t* p) {
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}
int SwappedSampleAt(const std::uint8_t* p) {
    return static_cast<std::int16_t>(p[1] | (p[0] << 8));
}
void StoreSample(std::uint8_t* p, int value) {
    p[0] = static_cast<std::uint8_t>(value & 0xFF);
    p[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// 1 as read, 2 swapped, 0 when the sector does not tell (silence and very quiet music
// look alike both ways). Audio read with the right byte order moves in small steps from
// frame to frame; with the wrong one the low bytes turn into big jumps.
int ByteOrderOfSector(const std::uint8_t* s) {
    long asRead = 0;
    long swapped = 0;
    for (int k = 0; k < 10; ++k) {
        for (int channel = 0; channel < 2; ++channel) {
            const int c = 2 * channel;
            asRead += std::abs(SampleAt(s + 4 * k + c) - SampleAt(s + 4 * (k + 1) + c));
            swapped +=
                std::abs(SwappedSampleAt(s + 8 * k + c) - SwappedSampleAt(s + 8 * k + 4 + c));
        }
    }
    if (std::abs(asRead - swapped) < 50) {
        return 0;
    }
    return asRead <= swapped ? 1 : 2;
}

// Scales the frames of one sector: frame j gets the factor `factorOf(j)` (0..1), formed
// in single precision, the product truncated toward zero.
template <typename FactorOf>
void ScaleFrames(std::uint8_t* sector, FactorOf factorOf) {
    for (std::size_t j = 0; j < kSectorFrames; ++j) {
        const double factor = factorOf(static_cast<std::int64_t>(j));
        for (int channel = 0; channel < 2; ++channel) {
            std::uint8_t* p = sector + 4 * j + 2 * channel;
            StoreSample(p, static_cast<int>(SampleAt(p) * factor));
        }
    }
}

// Frames `done` of `total`, as a single-precision fraction; squared for the quadratic curve.
float FadeFactor(std::int64_t frames, std::int64_t total, bool quadratic) {
    if (quadratic) {
        const float denominator = static_cast<float>(total) * static_cast<float>(total);
        return static_cast<float>(static_cast<double>(frames) * static_cast<double>(frames)) /
               denominator;
    }
    return static_cast<float>(frames) / static_cast<float>(total);
}

void ShortenFile(WaveWriter& writer, std::uint64_t size) {
    std::fflush(writer.file());
    std::error_code error;
    const auto current = std::filesystem::file_size(writer.path(), error);
    if (!error && current > size) {
        std::filesystem::resize_file(writer.path(), size, error);
    }
    std::fseek(writer.file(), static_cast<long>(size), SEEK_SET);
}

}  // namespace

RipSilenceKind SilenceKindOf(bool startsWithSilence, bool endsWithSilence) {
    if (startsWithSilence) {
        return endsWithSilence ? RipSilenceKind::StartsAndEnds : RipSilenceKind::StartsOnly;
    }
    return endsWithSilence ? RipSilenceKind::EndsOnly : RipSilenceKind::Neither;
}

std::string RipChecksumText(const RipChecksum& checksum) {
    const bool starts = checksum.kind == RipSilenceKind::StartsAndEnds ||
                        checksum.kind == RipSilenceKind::StartsOnly;
    const bool ends =
        checksum.kind == RipSilenceKind::StartsAndEnds || checksum.kind == RipSilenceKind::EndsOnly;
    return " " + ChecksumText(checksum.value, starts, ends);
}

RipProcessor::RipProcessor() : copyBuffer_(kCopyBufferSize) {}

void RipProcessor::ResetRipAnalysis(const RipSetup& setup) {
    setup_ = setup;
    writer_.writeEnabled = setup.write;
    state_ = RipAnalysis{};
    state_.currentSector = setup.firstSector;
    const std::int32_t count = std::max<std::int32_t>(0, setup.lastSector - setup.firstSector + 1);
    state_.window = std::min<std::int32_t>(RipAnalysis::kMapSize, count);
    state_.probe = setup.lastSector - setup.firstSector == 25;
    state_.byteOrder = (setup.byteOrder == 1 || setup.byteOrder == 2) ? setup.byteOrder : 0;
    if (setup.cdSource) {
        state_.leadingMap.fill(1);
        state_.trailingMap.fill(1);
    }
}

int RipProcessor::BeginWaveFile(const RipSetup& setup) {
    ResetRipAnalysis(setup);
    // The provisional header already gives the length the rip will have untrimmed.
    const std::int64_t sectors =
        std::max<std::int64_t>(0, std::int64_t{setup.lastSector} - setup.firstSector + 1);
    writer_.header = WaveHeader::ForDataLength(static_cast<std::uint32_t>(
        std::min<std::int64_t>(sectors * kSectorBytes, 0xFFFFFFFFLL - 36)));
    if (setup.write && !writer_.writeHeader()) {
        writer_.discard();
        return WaveWriteError;
    }
    writer_.dataLength = 0;
    return 1;
}

void RipProcessor::FixByteOrder(std::uint8_t* batch, int sectors) {
    for (int i = 0; i < sectors && state_.byteOrder == 0; ++i) {
        state_.byteOrder = ByteOrderOfSector(batch + static_cast<std::size_t>(i) * kSectorBytes);
    }
    if (state_.byteOrder == 2) {
        const std::size_t length = static_cast<std::size_t>(std::max(sectors, 0)) * kSectorBytes;
        for (std::size_t k = 0; k + 1 < length; k += 2) {
            std::swap(batch[k], batch[k + 1]);
        }
    }
}

void RipProcessor::ApplyFades(std::uint8_t* batch, int sectors) {
    if (!setup_.cdSource || (!setup_.fadeIn && !setup_.fadeOut) || setup_.fadeSeconds <= 0) {
        return;
    }
    const std::int64_t fadeSectors = 75LL * setup_.fadeSeconds;
    const std::int64_t fadeFrames = 44100LL * setup_.fadeSeconds;
    const bool quadratic = setup_.logarithmicFade;
    const std::int64_t first = setup_.firstSector;
    const std::int64_t last = setup_.lastSector;
    for (int i = 0; i < sectors; ++i) {
        const std::int64_t sector = std::int64_t{state_.currentSector} + i;
        std::uint8_t* data = batch + static_cast<std::size_t>(i) * kSectorBytes;
        if (setup_.fadeIn && sector < first + fadeSectors && sector >= first) {
            const std::int64_t f0 = (sector - first) * static_cast<std::int64_t>(kSectorFrames);
            ScaleFrames(data,
                        [&](std::int64_t j) { return FadeFactor(f0 + j, fadeFrames, quadratic); });
        }
        if (setup_.fadeOut && sector > last - fadeSectors && sector <= last) {
            const std::int64_t g0 = (last + 1 - sector) * static_cast<std::int64_t>(kSectorFrames);
            ScaleFrames(data,
                        [&](std::int64_t j) { return FadeFactor(g0 - j, fadeFrames, quadratic); });
        }
    }
}

bool RipProcessor::WriteBatch(const std::uint8_t* batch, int sectors) {
    if (!writer_.writeEnabled || sectors <= 0) {
        return true;
    }
    return writer_.writeAudio(batch, static_cast<std::size_t>(sectors) * kSectorBytes);
}

int RipProcessor::AnalyseBatch(const std::uint8_t* batch, int sectors) {
    if (state_.probe) {
        return 0;
    }
    const std::size_t length = static_cast<std::size_t>(std::max(sectors, 0)) * kSectorBytes;
    if (setup_.directEncoder && !setup_.directEncoder(batch, length)) {
        state_.encoderFailed = true;
        return 0;
    }
    if (!setup_.cdSource) {
        return 1;
    }
    state_.batchPeak = 0;
    state_.batchLow = 0;
    for (int i = 0; i < sectors; ++i) {
        analyseSector(batch + static_cast<std::size_t>(i) * kSectorBytes);
    }
    return 1;
}

int RipProcessor::DeliverBatch(std::uint8_t* batch, int sectors) {
    FixByteOrder(batch, sectors);
    ApplyFades(batch, sectors);
    if (!WriteBatch(batch, sectors)) {
        return WaveWriteError;
    }
    return AnalyseBatch(batch, sectors);
}

void RipProcessor::analyseSector(const std::uint8_t* sector) {
    // The samples are read where they stand; the checksum pass gives the range as well.
    std::size_t from = 0;
    if (!state_.started) {
        from = FindFirstLoud(sector, kSectorSamples);
        if (from == kSectorSamples) {
            state_.startsWithSilence = true;
        } else {
            state_.started = true;
        }
    }
    if (from < kSectorSamples) {
        const std::uint8_t* loud = sector + 2 * from;
        int low = 0;
        int high = 0;
        if (setup_.checksumOff) {
            SampleRange(loud, kSectorSamples - from, low, high);
        } else {
            state_.checksum.add(loud, kSectorSamples - from, low, high);
        }
        state_.batchPeak = std::max(state_.batchPeak, high);
        state_.batchLow = std::min(state_.batchLow, low);
        state_.trackPeak = std::max(state_.trackPeak, high);
        state_.trackLow = std::min(state_.trackLow, low);
    }

    // The maps judge a sector by the batch's extremes up to and including it.
    const std::int64_t number = state_.currentSector;
    const std::int64_t first = setup_.firstSector;
    const std::int64_t last = setup_.lastSector;
    const int window = state_.window;
    if (number >= first && number < first + RipAnalysis::kMapSize &&
        (state_.batchPeak > kLeadingLoud || state_.batchLow < -kLeadingLoud)) {
        state_.leadingMap[static_cast<std::size_t>(number - first)] = 0;
    }
    const int trailingLimit = setup_.analog ? kTrailingLoudAnalog : kTrailingLoudDigital;
    const bool trailingLoud = state_.batchPeak > trailingLimit || state_.batchLow < -trailingLimit;
    if (setup_.analog) {
        state_.trailingMap[static_cast<std::size_t>(state_.ringIndex)] = trailingLoud ? 0 : 1;
        if (--state_.ringIndex < 0) {
            state_.ringIndex = RipAnalysis::kMapSize - 1;
        }
    } else if (trailingLoud && number > last - RipAnalysis::kMapSize && number <= last) {
        const std::int64_t index = window - 1 - (last - number);
        if (index >= 0) {
            state_.trailingMap[static_cast<std::size_t>(index)] = 0;
        }
    }
    if (window > 0 && number == first + window - 1) {
        trimLeading();
    }
    if (number == last) {
        trimTrailing();
    }
    ++state_.currentSector;
}

void RipProcessor::trimLeading() {
    const int window = state_.window;
    int lead = window;
    for (int i = 0; i < window; ++i) {
        if (state_.leadingMap[static_cast<std::size_t>(i)] == 0) {
            lead = i;
            break;
        }
    }
    state_.leadFound = lead;
    if (!writer_.writeEnabled || !writer_.isOpen() || lead <= setup_.keepLead) {
        return;
    }
    // The first sector always stays; the sectors behind the removed ones move up to it.
    const std::int64_t removed = lead - setup_.keepLead - 1;
    const std::int64_t end = static_cast<std::int64_t>(kWaveHeaderSize) + writer_.dataLength;
    std::int64_t source =
        static_cast<std::int64_t>(kWaveHeaderSize + kSectorBytes) + removed * kSectorBytes;
    std::int64_t target = static_cast<std::int64_t>(kWaveHeaderSize + kSectorBytes);
    if (removed <= 0 || source > end) {
        return;
    }
    std::FILE* file = writer_.file();
    std::fflush(file);
    while (source < end) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::int64_t>(end - source, copyBuffer_.size()));
        if (std::fseek(file, static_cast<long>(source), SEEK_SET) != 0) {
            break;
        }
        const std::size_t got = std::fread(copyBuffer_.data(), 1, want, file);
        if (got == 0 || std::fseek(file, static_cast<long>(target), SEEK_SET) != 0) {
            break;
        }
        std::fwrite(copyBuffer_.data(), 1, got, file);
        source += static_cast<std::int64_t>(got);
        target += static_cast<std::int64_t>(got);
        if (got < want) {
            break;
        }
    }
    writer_.dataLength -= static_cast<std::uint32_t>(removed * kSectorBytes);
    std::fflush(file);
    std::fseek(file, static_cast<long>(kWaveHeaderSize + writer_.dataLength), SEEK_SET);
}

void RipProcessor::trimTrailing() {
    const int window = state_.window;
    // Index window - 1 stands for the last sector, lower indexes for earlier ones. The
    // analog ring holds the newest entry just above the ring index.
    std::array<std::uint8_t, RipAnalysis::kMapSize> map = state_.trailingMap;
    if (setup_.analog) {
        for (int k = 0; k < window; ++k) {
            map[static_cast<std::size_t>(window - 1 - k)] =
                state_.trailingMap[static_cast<std::size_t>((state_.ringIndex + 1 + k) %
                                                            RipAnalysis::kMapSize)];
        }
    }
    int t = -1;
    for (int i = window - 1; i >= 0; --i) {
        if (map[static_cast<std::size_t>(i)] == 0) {
            t = i;
            break;
        }
    }
    t = std::min(t + setup_.keepTrail, window - 1);
    state_.trailIndex = t;
    if (!writer_.writeEnabled || !writer_.isOpen()) {
        return;
    }
    const std::uint64_t cut = static_cast<std::uint64_t>(window - 1 - t) * kSectorBytes;
    writer_.dataLength =
        writer_.dataLength > cut ? static_cast<std::uint32_t>(writer_.dataLength - cut) : 0;
    ShortenFile(writer_, kWaveHeaderSize + writer_.dataLength);
}

void RipProcessor::FinishWaveFile() {
    state_.endsWithSilence = !(state_.started && state_.checksum.sinceLoud < kSectorSamples);
    if (!writer_.writeEnabled || !writer_.isOpen()) {
        return;
    }
    // A leading trim leaves a stale tail behind the audio until later writes cover it.
    ShortenFile(writer_, kWaveHeaderSize + writer_.dataLength);
    writer_.header.dataLength = writer_.dataLength;
    writer_.header.riffSize = writer_.dataLength + 36;
    writer_.writeHeader();
    writer_.close();
}

RipChecksum RipProcessor::Checksum() const {
    return RipChecksum{state_.checksum.checksum,
                       SilenceKindOf(state_.startsWithSilence, state_.endsWithSilence)};
}

}  // namespace ps

#include "audio/file_tools.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "audio/audio_checksum.h"
#include "audio/audio_texts.h"
#include "audio/wave_file.h"

namespace ps {

namespace {

constexpr std::size_t kChecksumReadBytes = 1 << 20;
constexpr std::size_t kProgressSamples = 101 * 256;  // one report every 101 weight cycles
constexpr std::size_t kComparePiece = 50000;
constexpr std::int64_t kSilenceSkipLimit = 500000;
constexpr std::size_t kAlignRead = 25 * kSectorBytes;
constexpr std::size_t kListingRead = kComparePiece + 100;
constexpr std::size_t kCompareBuffer = 27 * kSectorBytes;  // holds every read above
static_assert(kCompareBuffer >= kAlignRead && kCompareBuffer >= kListingRead);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A directory opens for reading on Linux but is not a file to check.
File OpenForReading(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return nullptr;
    }
    return File(std::fopen(path.c_str(), "rb"));
}

std::int64_t SizeOf(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return -1;
    }
    return std::ftell(file);
}

std::size_t ReadAt(std::FILE* file, std::int64_t offset, void* buffer, std::size_t length) {
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
        return 0;
    }
    return std::fread(buffer, 1, length, file);
}

// Fills each "%d" of a text-table format with the next number. Formats come from
// language files, so they are never handed to printf.
std::string FormatNumbers(const char* format, std::initializer_list<long long> numbers) {
    std::string out;
    auto next = numbers.begin();
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 'd' && next != numbers.end()) {
            out += std::to_string(*next++);
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

int Percent(std::int64_t done, std::int64_t total) {
    if (total <= 0) {
        return 100;
    }
    return static_cast<int>(std::clamp<std::int64_t>(done * 100 / total, 0, 100));
}

// Where the audio of a wave file ends: the end of the data chunk of the canonical header
// when it lies inside the file, so that an appended track tag is not read as audio.
std::int64_t AudioEnd(std::FILE* file, std::int64_t fileSize) {
    std::uint8_t header[kWaveHeaderSize];
    if (ReadAt(file, 0, header, sizeof header) != sizeof header ||
        std::memcmp(header + 36, "data", 4) != 0) {
        return fileSize;
    }
    const std::int64_t length = std::int64_t{header[40]} | (std::int64_t{header[41]} << 8) |
                                (std::int64_t{header[42]} << 16) | (std::int64_t{header[43]} << 24);
    return std::min(fileSize, static_cast<std::int64_t>(kWaveHeaderSize) + length);
}

bool Loud(const std::uint8_t* bytes, std::size_t sample) {
    return IsLoud(static_cast<std::int16_t>(bytes[2 * sample] | (bytes[2 * sample + 1] << 8)));
}

}  // namespace

FileChecksumResult FileChecksum(const std::string& path, FileToolProgress* progress,
                                const std::function<void()>& pump) {
    FileChecksumResult result;
    File file = OpenForReading(path);
    if (!file) {
        result.status = FileChecksumStatus::NotFound;
        return result;
    }
    result.fileSize = SizeOf(file.get());
    if (result.fileSize < static_cast<std::int64_t>(kWaveHeaderSize)) {
        result.status = FileChecksumStatus::TooShort;
        return result;
    }
    const std::int64_t end = AudioEnd(file.get(), result.fileSize);
    std::vector<std::int16_t> samples(kChecksumReadBytes / 2);
    std::vector<std::uint8_t> bytes(kChecksumReadBytes);

    // First pass: the silence in front of the first loud sample.
    std::int64_t position = kWaveHeaderSize;
    std::int64_t before = 0;
    if (std::fseek(file.get(), position, SEEK_SET) != 0) {
        result.status = FileChecksumStatus::TooShort;
        return result;
    }
    while (position < end) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(end - position, static_cast<std::int64_t>(bytes.size())));
        const std::size_t got = std::fread(bytes.data(), 1, want, file.get());
        const std::size_t count = got / 2;
        LoadSamples(bytes.data(), samples.data(), count);
        const std::size_t loud = FindFirstLoud(samples.data(), count);
        before += static_cast<std::int64_t>(2 * loud);
        if (loud < count || got < want) {
            break;
        }
        position += static_cast<std::int64_t>(got);
    }
    result.startsWithSilence = before > static_cast<std::int64_t>(kSectorBytes) - 1;

    // Second pass: from the first loud sample to the end of the audio.
    position = static_cast<std::int64_t>(kWaveHeaderSize) + before;
    if (std::fseek(file.get(), static_cast<long>(position), SEEK_SET) != 0) {
        result.status = FileChecksumStatus::SeekError;
        return result;
    }
    AudioChecksum checksum;
    std::size_t untilReport = kProgressSamples;
    while (position < end) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(end - position, static_cast<std::int64_t>(bytes.size())));
        const std::size_t got = std::fread(bytes.data(), 1, want, file.get());
        std::size_t count = got / 2;
        LoadSamples(bytes.data(), samples.data(), count);
        const std::int16_t* next = samples.data();
        while (count > 0) {
            const std::size_t piece = std::min(count, untilReport);
            checksum.add(next, piece);
            next += piece;
            count -= piece;
            untilReport -= piece;
            if (untilReport == 0) {
                untilReport = kProgressSamples;
                const std::int64_t done = position + 2 * (next - samples.data());
                if (progress != nullptr) {
                    progress->progress(Percent(done, end));
                }
                if (pump) {
                    pump();
                }
                if (progress != nullptr && progress->stopRequested()) {
                    result.status = FileChecksumStatus::Stopped;
                    return result;
                }
            }
        }
        position += static_cast<std::int64_t>(got);
        if (got < want) {
            break;
        }
    }
    if (progress != nullptr) {
        progress->progress(100);
    }
    result.checksum = checksum.checksum;
    result.endsWithSilence = checksum.sinceLoud >= kSectorSamples;
    return result;
}

std::string FileChecksumText(const FileChecksumResult& result) {
    switch (result.status) {
        case FileChecksumStatus::Done:
            return ChecksumText(result.checksum, result.startsWithSilence, result.endsWithSilence);
        case FileChecksumStatus::NotFound:
            return audio_text::NFoundCheck.text;
        case FileChecksumStatus::TooShort:
            return audio_text::ToShortCheck.text;
        case FileChecksumStatus::SeekError:
            return audio_text::SeekErrCheck.text;
        case FileChecksumStatus::Stopped:
            break;
    }
    return {};
}

std::string LoadedDiscText(std::uint32_t discNumber) {
    if (discNumber == 0) {
        return audio_text::UnknownCheck.text;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(discNumber));
    return text;
}

std::string CompareSizeText(std::int64_t firstSize, std::int64_t secondSize) {
    if (firstSize < 0 && secondSize < 0) {
        return audio_text::FSize2Comp.text;
    }
    return FormatNumbers(audio_text::FSizeComp.text,
                         {std::max<long long>(firstSize, 0), std::max<long long>(secondSize, 0)});
}

CompareResult CompareFiles(const std::string& firstPath, const std::string& secondPath,
                           FileToolProgress* progress, const std::function<void()>& pump) {
    CompareResult result;
    File first = OpenForReading(firstPath);
    File second = OpenForReading(secondPath);
    if (!first || !second) {
        return result;
    }
    const std::int64_t smaller = std::min(SizeOf(first.get()), SizeOf(second.get()));
    std::vector<std::uint8_t> a(kCompareBuffer);
    std::vector<std::uint8_t> b(kCompareBuffer);
    if (ReadAt(first.get(), 0, a.data(), kWaveHeaderSize) != kWaveHeaderSize ||
        ReadAt(second.get(), 0, b.data(), kWaveHeaderSize) != kWaveHeaderSize) {
        return result;
    }

    // Skip the silence both rips start with, at most 500,000 bytes of it.
    std::int64_t position = kWaveHeaderSize;
    bool loudFound = false;
    while (position < kSilenceSkipLimit && !loudFound) {
        const std::size_t common =
            std::min(ReadAt(first.get(), position, a.data(), kComparePiece),
                     ReadAt(second.get(), position, b.data(), kComparePiece));
        const std::size_t count = common / 2;
        std::size_t i = 0;
        while (i < count && !Loud(a.data(), i) && !Loud(b.data(), i)) {
            ++i;
        }
        if (i < count) {
            loudFound = true;
            position += static_cast<std::int64_t>(2 * i);
        } else if (common < kComparePiece) {
            break;
        } else {
            position += static_cast<std::int64_t>(kComparePiece);
        }
    }

    // Line the rips up: the first sector of one found in the other, one frame at a time.
    std::int64_t firstAhead = 0;   // the same audio lies this much later in the first file
    std::int64_t secondAhead = 0;  // ... in the second file
    bool aligned = false;
    if (loudFound) {
        const std::size_t gotA = ReadAt(first.get(), position, a.data(), kAlignRead);
        const std::size_t gotB = ReadAt(second.get(), position, b.data(), kAlignRead);
        const std::size_t common = std::min(gotA, gotB);
        const std::size_t n = common > kSectorBytes ? common - kSectorBytes : 0;
        for (std::size_t k = 0; k < n && !aligned; k += 4) {
            if (std::memcmp(b.data() + k, a.data(), kSectorBytes) == 0) {
                secondAhead = static_cast<std::int64_t>(k);
                aligned = true;
            }
        }
        for (std::size_t k = 0; k < n && !aligned; k += 4) {
            if (std::memcmp(a.data() + k, b.data(), kSectorBytes) == 0) {
                firstAhead = static_cast<std::int64_t>(k);
                aligned = true;
            }
        }
    }
    if (!aligned) {
        position = kWaveHeaderSize;
    }
    result.offset = firstAhead - secondAhead;
    result.offsetText = FormatNumbers(audio_text::OffsetComp.text, {result.offset});

    std::int64_t atA = position + firstAhead;
    std::int64_t atB = position + secondAhead;
    if (std::fseek(first.get(), static_cast<long>(atA), SEEK_SET) != 0 ||
        std::fseek(second.get(), static_cast<long>(atB), SEEK_SET) != 0) {
        return result;
    }
    for (;;) {
        const std::size_t gotA = std::fread(a.data(), 1, kComparePiece, first.get());
        const std::size_t gotB = std::fread(b.data(), 1, kComparePiece, second.get());
        const std::size_t common = std::min(gotA, gotB);
        if (std::memcmp(a.data(), b.data(), common) != 0) {
            break;
        }
        atA += static_cast<std::int64_t>(common);
        atB += static_cast<std::int64_t>(common);
        if (progress != nullptr) {
            progress->progress(Percent(atA, smaller));
        }
        if (pump) {
            pump();
        }
        if (progress != nullptr && progress->stopRequested()) {
            result.status = CompareStatus::Stopped;
            result.lines = {audio_text::CompAbortComp.text};
            return result;
        }
        if (common < kComparePiece) {
            result.status = CompareStatus::NoDifferences;
            result.lines = {audio_text::NoDiffComp.text};
            if (progress != nullptr) {
                progress->progress(100);
            }
            return result;
        }
    }

    // The listing: from 10 bytes before the first difference to 89 bytes after it.
    atA -= 10;
    atB -= 10;
    const std::size_t common = std::min(ReadAt(first.get(), atA, a.data(), kListingRead),
                                        ReadAt(second.get(), atB, b.data(), kListingRead));
    std::size_t difference = 10;
    while (difference < common && a[difference] == b[difference]) {
        ++difference;
    }
    const std::size_t from = difference - 10;
    const std::size_t to = std::min(common, difference + 90);
    for (std::size_t i = from; i < to; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "  %08lX:%c%02X%c%02X%c:%08lX%c%c",
                      static_cast<unsigned long>(atA + static_cast<std::int64_t>(i)), '\t', a[i],
                      '\t', b[i], '\t',
                      static_cast<unsigned long>(atB + static_cast<std::int64_t>(i)), '\t',
                      a[i] != b[i] ? '?' : ' ');
        result.lines.emplace_back(line);
    }
    result.status = CompareStatus::Differences;
    result.selectedLine = 10;
    result.firstDifference = atA + static_cast<std::int64_t>(difference);
    return result;
}

}  // namespace ps

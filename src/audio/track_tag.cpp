#include "audio/track_tag.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ps {

namespace {

constexpr char kMarker[] = "PlatterscoopTAG";  // 15 letters and the 0 behind them
constexpr char kFinalNameLabel[] = "FinalName: ";
constexpr std::size_t kTitleAt = 16;
constexpr std::size_t kArtistAt = 46;
constexpr std::size_t kAlbumAt = 76;
constexpr std::size_t kYearAt = 106;
constexpr std::size_t kCommentAt = 110;
constexpr std::size_t kGenreAt = 140;
constexpr std::size_t kLabelAt = 141;
constexpr std::size_t kId3BodySize = 125;
constexpr std::size_t kFinalNameSearch = 400;

// Copies the text's first `width` bytes into the field; the rest stays 0.
void PutField(std::string& block, std::size_t at, const std::string& text, std::size_t width) {
    block.replace(at, std::min(text.size(), width), text, 0, width);
}

// The nine characters that cannot stand in a file name become "-".
std::string FileNameSafe(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (std::strchr("\"*/:<>?\\|", c) != nullptr && c != '\0') {
            c = '-';
        }
    }
    return out;
}

// A part of a stored final name as a file-system name: UTF-8, without control
// characters or separators, never "." or "..": the name may come from a file someone
// else wrote.
std::string FileSystemPart(const std::string& part) {
    std::string out;
    for (unsigned char c : part) {
        if (c < 0x20 || c == 0x7F || c == '/') {
            out += '-';
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    if (!out.empty() && out.find_first_not_of('.') == std::string::npos) {
        std::replace(out.begin(), out.end(), '.', '-');
    }
    return out;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) {
        return name;
    }
    if (directory.back() == '/') {
        return directory + name;
    }
    return directory + "/" + name;
}

}  // namespace

std::string BuildTrackTag(const TrackTagFields& fields, std::uint32_t checksum,
                          const std::string& fileName, const TrackTagOptions& options) {
    std::string block(kTrackTagHeadSize, '\0');
    block.replace(0, 15, kMarker);
    PutField(block, kTitleAt, fields.title, 30);
    PutField(block, kArtistAt, fields.artist, 30);
    PutField(block, kAlbumAt, fields.album, 30);
    PutField(block, kYearAt, fields.year, 4);
    std::string comment = fields.comment;
    if (options.appendChecksum && options.cdRip && comment.size() <= 16 && !options.noChecksum) {
        char text[16];
        std::snprintf(text, sizeof text, ", QX# %08lX", static_cast<unsigned long>(checksum));
        comment += text;
    }
    PutField(block, kCommentAt, comment, 30);
    block[kGenreAt] = static_cast<char>(fields.genre);
    block.replace(kLabelAt, 11, kFinalNameLabel);

    std::string name;
    if (options.artistAsDirectory && !fields.artist.empty()) {
        name += FileNameSafe(fields.artist) + "\\";
    }
    if (options.albumAsDirectory && !fields.album.empty()) {
        name += FileNameSafe(fields.album) + "\\";
    }
    name += fileName;
    // The block and its terminator must fit the reader's buffer.
    name.resize(std::min(name.size(), kTrackTagBufferSize - kTrackTagHeadSize - 1));
    name.resize(std::min(name.size(), std::strlen(name.c_str())));
    block += name;
    block += '\0';
    return block;
}

bool AppendTrackTag(const std::string& wavePath, const TrackTagFields& fields,
                    std::uint32_t checksum, const std::string& fileName,
                    const TrackTagOptions& options) {
    if (options.directEncoding) {
        return false;
    }
    const std::string block = BuildTrackTag(fields, checksum, fileName, options);
    std::FILE* file = std::fopen(wavePath.c_str(), "a+b");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(block.data(), 1, block.size(), file) == block.size();
    return std::fclose(file) == 0 && written;
}

bool ReadTrackTag(const std::string& wavePath, const WaveFormatInfo& info, bool cdRip,
                  bool useID3Tag, std::FILE* mp3Output, std::string& finalName) {
    if (!cdRip) {
        return false;
    }
    finalName.clear();
    std::FILE* file = std::fopen(wavePath.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    // Zeroed, so that a short block reads as empty fields rather than leftovers.
    std::vector<std::uint8_t> buffer(kTrackTagBufferSize, 0);
    const std::int64_t blockAt = info.dataLengthOffset + 4 + std::int64_t{info.dataLength};
    std::size_t got = 0;
    if (std::fseek(file, static_cast<long>(blockAt), SEEK_SET) == 0) {
        got = std::fread(buffer.data(), 1, buffer.size(), file);
    }
    std::fclose(file);
    if (got < 16 || std::memcmp(buffer.data(), kMarker, 15) != 0) {
        return false;
    }
    if (useID3Tag && mp3Output != nullptr) {
        std::fwrite("TAG", 1, 3, mp3Output);
        std::fwrite(buffer.data() + kTitleAt, 1, kId3BodySize, mp3Output);
    }
    const std::size_t searched = std::min(got, kFinalNameSearch);
    const std::size_t matched = SimpleMatch(buffer.data(), searched, kFinalNameLabel);
    if (matched > 0) {
        std::size_t end = matched;
        while (end < got && buffer[end] != 0) {
            ++end;
        }
        finalName.assign(reinterpret_cast<const char*>(buffer.data()) + matched, end - matched);
    }
    return true;
}

std::string FinalExtension(OutputKind kind, const FinalNameOptions& options) {
    switch (kind) {
        case OutputKind::Wma:
            return "wma";
        case OutputKind::Wave:
            return "wav";
        case OutputKind::Mp3:
            break;
    }
    if (options.internalCodecName.rfind("QDesign", 0) == 0) {
        return "mp2";
    }
    if (options.useOwnExtension && !options.internalCodec) {
        return options.ownExtension;
    }
    return "mp3";
}

bool MoveToFinalName(FileSystem& fileSystem, OutputKind kind, const std::string& encodedPath,
                     const std::string& finalName, const FinalNameOptions& options) {
    const std::string extension = FinalExtension(kind, options);
    if (finalName.empty()) {
        return false;
    }
    // Up to two directory parts, then the name (a further backslash is part of the name).
    std::string directory = options.destinationDirectory;
    std::string rest = finalName;
    for (int level = 0; level < 2; ++level) {
        const auto slash = rest.find('\\');
        if (slash == std::string::npos) {
            break;
        }
        const std::string part = FileSystemPart(rest.substr(0, slash));
        rest.erase(0, slash + 1);
        if (part.empty()) {
            continue;
        }
        directory = JoinPath(directory, part);
        if (!fileSystem.ensureDirectory(directory)) {
            return false;
        }
    }
    std::replace(rest.begin(), rest.end(), '\\', '-');
    const std::string name = FileSystemPart(rest);
    if (name.empty()) {
        return false;
    }
    MoveResult result =
        fileSystem.moveWithoutReplace(encodedPath, JoinPath(directory, name) + "." + extension);
    for (int i = 1; i <= 99 && result == MoveResult::TargetExists; ++i) {
        const std::string numbered = name + "-" + std::to_string(i) + "." + extension;
        result = fileSystem.moveWithoutReplace(encodedPath, JoinPath(directory, numbered));
    }
    return result == MoveResult::Moved;
}

}  // namespace ps

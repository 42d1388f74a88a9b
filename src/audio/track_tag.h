#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "audio/wave_file.h"
#include "platform/file_system.h"

namespace ps {

// The ID3 fields of a track (texts in the program's own character set, ISO-8859-1).
struct TrackTagFields {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    std::uint8_t genre = 0;
};

// The settings and facts AppendTrackTag depends on.
struct TrackTagOptions {
    bool appendChecksum = false;     // ID3AppendChecksum
    bool noChecksum = false;         // NoChecksum
    bool cdRip = true;               // false for a line-in recording
    bool artistAsDirectory = false;  // ArtistAsDirectory
    bool albumAsDirectory = false;   // AlbumAsDirectory
    bool directEncoding = false;     // there is no wave file
};

inline constexpr std::size_t kTrackTagHeadSize = 152;     // up to the final name
inline constexpr std::size_t kTrackTagBufferSize = 6000;  // the whole block at most

// The block appended behind the audio: marker, the 125 bytes of an ID3v1 body, and the
// name the encoded file is meant to have ("Artist\Album\07 Song": the directories are
// separated by backslashes whatever the platform). `fileName` is the name without
// directory and extension.
std::string BuildTrackTag(const TrackTagFields& fields, std::uint32_t checksum,
                          const std::string& fileName, const TrackTagOptions& options);

// Appends the block to the finished wave file. False when nothing was appended.
bool AppendTrackTag(const std::string& wavePath, const TrackTagFields& fields,
                    std::uint32_t checksum, const std::string& fileName,
                    const TrackTagOptions& options);

// Reads the block behind the audio of a wave file whose format `info` was read by
// ReadWaveFormat. With `useID3Tag`, writes "TAG" and the 125 ID3 bytes to `mp3Output` at
// its current position. Sets `finalName` (cleared first). False when there is no block.
bool ReadTrackTag(const std::string& wavePath, const WaveFormatInfo& info, bool cdRip,
                  bool useID3Tag, std::FILE* mp3Output, std::string& finalName);

// Kinds of encoded output for MoveToFinalName.
enum class OutputKind { Mp3 = 1, Wma = 2, Wave = 3 };

struct FinalNameOptions {
    std::string destinationDirectory;  // DestinationDirectory (a file-system path)
    std::string internalCodecName;     // the selected internal codec
    bool internalCodec = false;        // InternalCodec
    bool useOwnExtension = false;      // UseOwnExtension
    std::string ownExtension;          // OwnExtension
};

// The extension of the final name for an output kind.
std::string FinalExtension(OutputKind kind, const FinalNameOptions& options);

// Moves the encoded file to `finalName` inside the destination directory, creating the
// directory parts it names; when the name is taken, to "name-1" ... "name-99". Never
// replaces an existing file. False when the file keeps its name.
bool MoveToFinalName(FileSystem& fileSystem, OutputKind kind, const std::string& encodedPath,
                     const std::string& finalName, const FinalNameOptions& options);

}  // namespace ps

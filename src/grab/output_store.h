#pragma once

#include <string>

#include "app/settings.h"
#include "audio/track_tag.h"
#include "grab/file_naming.h"
#include "platform/file_system.h"

namespace ps {

// Store codes of a track's wave and compressed file.
inline constexpr int kStoredUnderPlainName = 0;  // 1 to 100: that number was appended
inline constexpr int kHighestNameNumber = 100;
inline constexpr int kNotStored = 101;

// The sub-directories the current file goes into. The names are directory entries
// (UTF-8), set only when the directory exists and could be entered.
struct OutputDirectories {
    bool artistMade = false;
    bool albumMade = false;
    std::string artist;
    std::string album;
};

struct StoreResult {
    int code = kNotStored;
    std::string path;  // the final path when stored, else empty
};

// The extension and the encoder's temporary file (in the destination directory) of the
// compressed output, from UseOwnExtension, OwnExtension, InternalCodec and WhatCodec.
struct CompressedOutput {
    std::string extension;      // without the dot, a safe directory entry
    std::string temporaryFile;  // "temp.mp3", "temp.wma", "temp." with the own extension
};

// The directory that holds "temp.wav" and the outputs: DestinationDirectory, or "."
// when it is empty, so that no path is taken for an absolute one or an option.
std::string DestinationRoot(const Settings& settings);

// `name` (a directory entry) inside the destination directory.
std::string DestinationPath(const Settings& settings, const std::string& name);

// Creates (when missing) the artist and album sub-directories that ArtistAsDirectory and
// AlbumAsDirectory ask for; the album directory goes below the artist directory when that
// was made, else directly into the destination. A directory that cannot be made is left
// out.
OutputDirectories MakeDirectories(FileSystem& fileSystem, const Settings& settings,
                                  const NamingSources& sources);

// The destination directory and the directories made, each followed by "/" (no second
// "/" after a destination that ends with one, such as "/").
std::string DirectoryPrefix(const std::string& destination, const OutputDirectories& directories);

// Moves "temp.wav" of the destination directory to "<name>.wav", into the sub-directories
// unless SubDirsOnlyForMP3 is on; when that name is taken, to "<name>-1.wav" up to
// "<name>-100.wav". Never replaces a file. `name` is the name buffer (BuildFileName).
// The grab job adds the returned path to its list of grabbed files.
StoreResult StoreWave(FileSystem& fileSystem, const Settings& settings,
                      const NamingSources& sources, const std::string& name);

CompressedOutput CompressedOutputFor(const Settings& settings);

// Moves the encoder's temporary file (CompressedOutputFor) to "<name>.<extension>" in
// the sub-directories, numbered like the wave.
StoreResult StoreCompressed(FileSystem& fileSystem, const Settings& settings,
                            const NamingSources& sources, const std::string& name);

// The naming and checksum switches of the track tag block, whose final name then holds
// the artist and album directories and the name buffer as StoreCompressed uses them.
// The caller sets cdRip and directEncoding.
TrackTagOptions TrackTagNamingOptions(const Settings& settings);

}  // namespace ps

#include "grab/output_store.h"

#include <algorithm>
#include <cctype>

namespace ps {

namespace {

std::string Join(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/') {
        return directory + name;
    }
    return directory + "/" + name;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    return std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b),
                      [](char x, char y) {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

// Moves `from` to "<prefix><name>.<extension>", then to the numbered names while the
// target is taken. Other failures (no source file, no permission) end the search: no
// number can help them.
StoreResult MoveNumbered(FileSystem& fileSystem, const std::string& from, const std::string& prefix,
                         const std::string& name, const std::string& extension) {
    // Cut once for the longest suffix, so every numbered name shares the same stem.
    const std::string suffixRoom = "-" + std::to_string(kHighestNameNumber) + "." + extension;
    const std::string stem = FileSystemComponent(
        name, kMaxComponentBytes - std::min(kMaxComponentBytes - 1, suffixRoom.size()));
    StoreResult result;
    for (int number = 0; number <= kHighestNameNumber; ++number) {
        const std::string target =
            prefix + stem + (number == 0 ? "" : "-" + std::to_string(number)) + "." + extension;
        switch (fileSystem.moveWithoutReplace(from, target)) {
            case MoveResult::Moved:
                result.code = number;
                result.path = target;
                return result;
            case MoveResult::TargetExists:
                continue;
            case MoveResult::Failed:
                return result;
        }
    }
    return result;
}

}  // namespace

std::string DestinationRoot(const Settings& settings) {
    return settings.DestinationDirectory.empty() ? std::string(".") : settings.DestinationDirectory;
}

std::string DestinationPath(const Settings& settings, const std::string& name) {
    return Join(DestinationRoot(settings), name);
}

OutputDirectories MakeDirectories(FileSystem& fileSystem, const Settings& settings,
                                  const NamingSources& sources) {
    OutputDirectories made;
    const std::string destination = DestinationRoot(settings);
    std::string current = destination;
    if (settings.ArtistAsDirectory && !sources.artist.empty()) {
        const std::string artist = DirectoryComponent(sources.artist);
        if (fileSystem.ensureDirectory(Join(destination, artist))) {
            made.artistMade = true;
            made.artist = artist;
            current = Join(destination, artist);
        }
    }
    if (settings.AlbumAsDirectory && !sources.album.empty()) {
        const std::string album = DirectoryComponent(sources.album);
        if (fileSystem.ensureDirectory(Join(current, album))) {
            made.albumMade = true;
            made.album = album;
        }
    }
    return made;
}

std::string DirectoryPrefix(const std::string& destination, const OutputDirectories& directories) {
    std::string prefix = destination;
    if (prefix.empty() || prefix.back() != '/') {
        prefix += '/';
    }
    if (directories.artistMade) {
        prefix += directories.artist + "/";
    }
    if (directories.albumMade) {
        prefix += directories.album + "/";
    }
    return prefix;
}

StoreResult StoreWave(FileSystem& fileSystem, const Settings& settings,
                      const NamingSources& sources, const std::string& name) {
    const OutputDirectories directories = settings.SubDirsOnlyForMP3
                                              ? OutputDirectories{}
                                              : MakeDirectories(fileSystem, settings, sources);
    return MoveNumbered(fileSystem, DestinationPath(settings, "temp.wav"),
                        DirectoryPrefix(DestinationRoot(settings), directories), name, "wav");
}

CompressedOutput CompressedOutputFor(const Settings& settings) {
    CompressedOutput out{"mp3", "temp.mp3"};
    if (settings.UseOwnExtension && !settings.InternalCodec) {
        // OwnExtension holds at most 10 characters; a name of dots or none would leave
        // the dot of the extension standing alone.
        std::string own = DirectoryComponent(settings.OwnExtension);
        if (!own.empty()) {
            out.extension = own;
            // The encoder reads "temp.wav": its output must not have the same name.
            out.temporaryFile =
                EqualsIgnoringCase(own, "wav") ? "temp-encoded." + own : "temp." + own;
        }
    }
    if (settings.InternalCodec) {
        const std::string& codec = settings.WhatCodec;
        if (codec.starts_with("QDesign")) {
            out = {"mp2", "temp.mp3"};
        }
        if (codec.starts_with("Microsoft Windows")) {
            out = {"wma", "temp.wma"};
        }
        if (codec.find(" PCM") != std::string::npos) {
            out.extension = "wav";
        }
    }
    return out;
}

StoreResult StoreCompressed(FileSystem& fileSystem, const Settings& settings,
                            const NamingSources& sources, const std::string& name) {
    const OutputDirectories directories = MakeDirectories(fileSystem, settings, sources);
    const CompressedOutput output = CompressedOutputFor(settings);
    return MoveNumbered(fileSystem, DestinationPath(settings, output.temporaryFile),
                        DirectoryPrefix(DestinationRoot(settings), directories), name,
                        output.extension);
}

TrackTagOptions TrackTagNamingOptions(const Settings& settings) {
    TrackTagOptions options;
    options.appendChecksum = settings.ID3AppendChecksum;
    options.noChecksum = settings.NoChecksum;
    options.artistAsDirectory = settings.ArtistAsDirectory;
    options.albumAsDirectory = settings.AlbumAsDirectory;
    return options;
}

}  // namespace ps

#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "grab/output_store.h"
#include "platform/linux/file_system_linux.h"

namespace ps::test {

namespace fs = std::filesystem;

inline NamingSources BandLive(const std::string& track = "Intro") {
    NamingSources s;
    s.artist = "Band";
    s.album = "Live";
    s.trackNumber = 3;
    s.trackName = track;
    return s;
}

// A scratch directory holding the destination "dest" and a file beside it that no store
// may touch.
class OutputStore : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device seed;
        root_ = fs::temp_directory_path() / ("ps_naming_" + std::to_string(seed()));
        fs::create_directories(root_ / "dest");
        Write(root_ / "outside.wav", "outside");
        settings_.DestinationDirectory = (root_ / "dest").string();
        settings_.InternalCodec = false;
    }
    void TearDown() override { fs::remove_all(root_); }

    static void Write(const fs::path& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path Dest() const { return root_ / "dest"; }
    // The path below the destination, or "OUTSIDE: path".
    std::string Relative(const std::string& path) const {
        const std::string prefix = Dest().string() + "/";
        return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : "OUTSIDE: " + path;
    }
    StoreResult Wave(const NamingSources& sources, const std::string& content = "wave") {
        Write(Dest() / "temp.wav", content);
        return StoreWave(files_, settings_, sources, BuildFileName(settings_, sources));
    }
    StoreResult Compressed(const NamingSources& sources, const std::string& content = "mp3") {
        Write(Dest() / CompressedOutputFor(settings_).temporaryFile, content);
        return StoreCompressed(files_, settings_, sources, BuildFileName(settings_, sources));
    }

    fs::path root_;
    Settings settings_;
    LinuxFileSystem files_;
};

}  // namespace ps::test

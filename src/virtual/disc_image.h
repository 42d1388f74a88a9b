#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ps {

// Bytes of one raw sector of an image (signed, for offset arithmetic).
inline constexpr std::int32_t kImageSectorBytes = 2352;
inline constexpr std::int32_t kSectorsPerSecond = 75;

// Minutes, seconds and frames, as absolute disc time (sector + 150) or as a length.
struct Msf {
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    friend bool operator==(const Msf&, const Msf&) = default;
};

inline Msf sectorToMsf(std::int32_t sector) {
    const std::int32_t f = sector + 150;
    return Msf{f / 4500, (f / 75) % 60, f % 75};
}
inline std::int32_t msfToSector(const Msf& msf) {
    return msf.minutes * 4500 + msf.seconds * 75 + msf.frames - 150;
}
inline Msf framesToMsf(std::int32_t frames) {
    return Msf{frames / 4500, (frames / 75) % 60, frames % 75};
}
inline std::int32_t msfToFrames(const Msf& msf) {
    return msf.minutes * 4500 + msf.seconds * 75 + msf.frames;
}

struct ImageTrack {
    int number = 1;
    bool data = false;
    std::int32_t start = 0;   // INDEX 01, the sector the table of contents gives
    std::int32_t pregap = 0;  // sectors of index 0 just before `start`
    std::string title;
    std::string performer;
};

// A disc: its table of contents and the bytes of every sector. Sectors are raw
// 2352-byte frames addressed from LBA 0; positions outside the recorded data (pregaps
// that no file holds, before the disc, past the lead-out) read as zeros.
class DiscImage {
  public:
    DiscImage() = default;
    DiscImage(const DiscImage&) = delete;
    DiscImage& operator=(const DiscImage&) = delete;
    ~DiscImage();

    const std::vector<ImageTrack>& tracks() const { return tracks_; }
    int firstTrack() const { return tracks_.empty() ? 0 : tracks_.front().number; }
    int lastTrack() const { return tracks_.empty() ? 0 : tracks_.back().number; }
    std::int32_t leadOut() const { return leadOut_; }
    // The track holding a sector (by the table of contents), or nullptr.
    const ImageTrack* trackAt(std::int32_t sector) const;
    const ImageTrack* track(int number) const;
    std::int32_t trackEnd(const ImageTrack& track) const;  // last sector, inclusive

    const std::string& artist() const { return artist_; }
    const std::string& album() const { return album_; }

    // Copies `length` bytes of the disc from byte `offset` (sector × 2352 plus any
    // shift; may be negative) into `out`. False when a backing file could not be read.
    bool read(std::int64_t offset, std::size_t length, std::uint8_t* out) const;

    // Building, for the loaders.
    void setTitles(std::string artist, std::string album) {
        artist_ = std::move(artist);
        album_ = std::move(album);
    }
    void addTrack(const ImageTrack& track) { tracks_.push_back(track); }
    void setLeadOut(std::int32_t sector) { leadOut_ = sector; }
    // Disc bytes [offset, offset + length) come from memory the image keeps.
    void addMemory(std::int64_t offset, std::shared_ptr<const std::vector<std::uint8_t>> bytes);
    // Disc bytes [offset, offset + length) come from `file` at `fileOffset`.
    void addFile(std::int64_t offset, std::int64_t length, std::shared_ptr<std::FILE> file,
                 std::int64_t fileOffset);

  private:
    struct Segment {
        std::int64_t offset = 0;
        std::int64_t length = 0;
        const std::uint8_t* memory = nullptr;
        std::shared_ptr<const std::vector<std::uint8_t>> keep;
        std::shared_ptr<std::FILE> file;
        std::int64_t fileOffset = 0;
    };
    std::vector<ImageTrack> tracks_;
    std::int32_t leadOut_ = 0;
    std::string artist_;
    std::string album_;
    std::vector<Segment> segments_;  // in disc order, not overlapping
    mutable std::mutex fileMutex_;   // one image may sit in several drives
};

// Loads a CUE sheet and the files it names (relative to the sheet's folder): BINARY
// files of raw sectors, or WAVE files of 16-bit stereo 44.1 kHz PCM.
// Returns nullptr and an explanation naming the line on failure.
std::shared_ptr<DiscImage> loadCueSheet(const std::string& path, std::string& error);
// Parses CUE text; `folder` is where relative FILE names are looked for.
std::shared_ptr<DiscImage> parseCueSheet(const std::string& text, const std::string& folder,
                                         std::string& error);

// The built-in demo disc: a generated album of five short tracks with silent gaps,
// always the same bytes. Built once and shared.
std::shared_ptr<const DiscImage> demoDisc();
// Builds a fresh copy of the demo disc (the shared one is built by this).
std::shared_ptr<const DiscImage> makeDemoDisc();

// "demo" or a CUE sheet path.
std::shared_ptr<const DiscImage> loadDiscImage(const std::string& nameOrPath, std::string& error);

}  // namespace ps

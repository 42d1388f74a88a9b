#include "virtual/disc_image.h"

#include <algorithm>
#include <cstring>

namespace ps {

DiscImage::~DiscImage() = default;

const ImageTrack* DiscImage::trackAt(std::int32_t sector) const {
    if (sector < 0 || sector >= leadOut_) {
        return nullptr;
    }
    const ImageTrack* found = nullptr;
    for (const ImageTrack& t : tracks_) {
        if (t.start <= sector) {
            found = &t;
        }
    }
    return found;
}

const ImageTrack* DiscImage::track(int number) const {
    for (const ImageTrack& t : tracks_) {
        if (t.number == number) {
            return &t;
        }
    }
    return nullptr;
}

std::int32_t DiscImage::trackEnd(const ImageTrack& track) const {
    for (std::size_t i = 0; i + 1 < tracks_.size(); ++i) {
        if (&tracks_[i] == &track) {
            return tracks_[i + 1].start - 1;
        }
    }
    return leadOut_ - 1;
}

void DiscImage::addMemory(std::int64_t offset,
                          std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
    Segment s;
    s.offset = offset;
    s.length = static_cast<std::int64_t>(bytes->size());
    s.memory = bytes->data();
    s.keep = std::move(bytes);
    segments_.push_back(std::move(s));
}

void DiscImage::addFile(std::int64_t offset, std::int64_t length, std::shared_ptr<std::FILE> file,
                        std::int64_t fileOffset) {
    Segment s;
    s.offset = offset;
    s.length = length;
    s.file = std::move(file);
    s.fileOffset = fileOffset;
    segments_.push_back(std::move(s));
}

bool DiscImage::read(std::int64_t offset, std::size_t length, std::uint8_t* out) const {
    std::memset(out, 0, length);
    const std::int64_t end = offset + static_cast<std::int64_t>(length);
    // Segments are few and sorted; find the first that ends after the offset.
    auto it =
        std::upper_bound(segments_.begin(), segments_.end(), offset,
                         [](std::int64_t o, const Segment& s) { return o < s.offset + s.length; });
    for (; it != segments_.end() && it->offset < end; ++it) {
        const std::int64_t from = std::max(offset, it->offset);
        const std::int64_t to = std::min(end, it->offset + it->length);
        if (from >= to) {
            continue;
        }
        std::uint8_t* dest = out + (from - offset);
        const std::int64_t inSegment = from - it->offset;
        const auto count = static_cast<std::size_t>(to - from);
        if (it->memory != nullptr) {
            std::memcpy(dest, it->memory + inSegment, count);
        } else {
            std::lock_guard lock(fileMutex_);
            std::FILE* f = it->file.get();
            if (std::fseek(f, static_cast<long>(it->fileOffset + inSegment), SEEK_SET) != 0 ||
                std::fread(dest, 1, count, f) != count) {
                return false;
            }
        }
    }
    return true;
}

std::shared_ptr<const DiscImage> loadDiscImage(const std::string& nameOrPath, std::string& error) {
    if (nameOrPath.empty() || nameOrPath == "demo") {
        return demoDisc();
    }
    return loadCueSheet(nameOrPath, error);
}

}  // namespace ps

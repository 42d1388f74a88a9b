#include "cdaccess/scsi_toc.h"

namespace ps {

namespace {

std::int32_t descriptorStart(std::span<const std::uint8_t> answer, std::size_t at) {
    const std::uint32_t value = (static_cast<std::uint32_t>(answer[at + 4]) << 24) |
                                (static_cast<std::uint32_t>(answer[at + 5]) << 16) |
                                (static_cast<std::uint32_t>(answer[at + 6]) << 8) | answer[at + 7];
    return static_cast<std::int32_t>(value);
}

}  // namespace

DiscTable emptyDiscTable() {
    DiscTable table;
    table.firstTrack = 1;
    table.lastTrack = 0;
    table.totalSectors = 0;
    return table;
}

bool parseToc(std::span<const std::uint8_t> answer, DiscTable& table) {
    table = emptyDiscTable();
    if (answer.size() < 4) {
        return false;
    }
    const int first = answer[2];
    const int last = answer[3];
    if (last == 0 || first < 1 || first > last || last > DiscTable::kMaxTracks) {
        return false;
    }
    const std::size_t descriptors = static_cast<std::size_t>(last - first + 1) + 1;  // lead-out
    if (4 + 8 * descriptors > answer.size()) {
        return false;
    }

    DiscTable parsed = emptyDiscTable();
    parsed.firstTrack = first;
    parsed.lastTrack = last;
    std::int32_t previous = -1;
    for (int track = first; track <= last + 1; ++track) {
        const std::size_t at = 4 + 8 * static_cast<std::size_t>(track - first);
        const std::int32_t start = descriptorStart(answer, at);
        if (start < 0 || start <= previous) {
            return false;
        }
        if (track <= last) {
            parsed.tracks[static_cast<std::size_t>(track)].startSector = start;
            parsed.tracks[static_cast<std::size_t>(track)].dataTrack = (answer[at + 1] & 0x04) != 0;
        }
        if (track > first) {
            parsed.tracks[static_cast<std::size_t>(track - 1)].endSector = start - 1;
        }
        previous = start;
    }
    std::int32_t total = 0;
    for (int track = first; track <= last; ++track) {
        const auto& entry = parsed.tracks[static_cast<std::size_t>(track)];
        total += entry.endSector - entry.startSector + 1;
    }
    parsed.totalSectors = total;
    table = parsed;
    return true;
}

}  // namespace ps

#include "tracks/track_list.h"

#include <cstdio>

namespace ps {

std::string formatPlayTime(std::int64_t frames) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02ld:%02ld", static_cast<long>(frames / 4500),
                  static_cast<long>((frames / 75) % 60));
    return buffer;
}

std::string formatWaveSize(std::int64_t frames) {
    const double megabytes = static_cast<double>(frames) * 2352.0 / 1048576.0;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, megabytes >= 10.0 ? "%.2f Mb" : "  %.2f Mb", megabytes);
    return buffer;
}

void showMessageRow(TrackList& list, const std::string& text) {
    list.rows.clear();
    TrackRow row;
    row.name = text;
    list.rows.push_back(row);
    list.grey = true;
    list.trackCount = 0;
    list.statusTracks.clear();
}

}  // namespace ps

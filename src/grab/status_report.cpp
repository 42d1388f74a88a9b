#include "grab/status_report.h"

#include <cstdio>
#include <fstream>

#include "tracks/track_list.h"

namespace ps {

std::string TrackListText(const DiscRecord& disc, bool withAlbum) {
    char header[128];
    if (disc.cdPlayerNumber > 0) {
        std::snprintf(header, sizeof header, "\tCD#: %lX",
                      static_cast<unsigned long>(disc.cdPlayerNumber));
    } else {
        std::snprintf(header, sizeof header, "\t CD#: UNKNOWN");
    }
    std::string text = "Artist: " + disc.artist + header + "\r\n";
    if (withAlbum) {
        text += "Album: " + disc.album + "\r\n";
    }
    if (!disc.listReady) {
        return text;
    }
    for (std::size_t row = 0; row < disc.rows.size(); ++row) {
        const TrackRecord& track = disc.trackAtRow(row);
        text += track.name + "\t" + formatPlayTime(track.frames()) + "\t" +
                formatWaveSize(track.frames()) + "\t" + track.information + "\r\n";
    }
    return text;
}

bool WriteStatusReport(const DiscRecord& disc, const std::string& programDirectory) {
    std::string path = programDirectory;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += kStatusReportFileName;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << TrackListText(disc, false);
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace ps

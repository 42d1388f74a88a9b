#pragma once

#include <string>

#include "tracks/disc_record.h"

namespace ps {

inline constexpr const char* kStatusReportFileName = "copyinfo.txt";

// The track list as text, lines ended by "\r\n": the artist with the CD player disc
// number, the album (clipboard only), and when the list is ready one line per row in
// list order with the name, time, size and information columns separated by tabs.
std::string TrackListText(const DiscRecord& disc, bool withAlbum);

// Writes the track list text (without the album) to copyinfo.txt in the program
// directory, replacing an earlier report. False when it could not be written.
bool WriteStatusReport(const DiscRecord& disc, const std::string& programDirectory);

}  // namespace ps

#pragma once

#include <string>
#include <vector>

#include "tracks/disc_record.h"

namespace ps {

struct Settings;
class TextTable;

// The status text of a copy status in the information column ("Copied OK", "Aspi error").
std::string copyStatusInfoText(const TextTable& texts, int copyStatus);
// The same status as the detailed status names it ("OK", "Not copied").
std::string copyStatusResultText(const TextTable& texts, int copyStatus);

// A row's information column: the status text and each item whose `Show...` switch is
// on. Empty for a track that was not copied.
std::string trackInformationText(const TextTable& texts, const Settings& settings,
                                 const TrackCopyResults& results);

// The detailed status of one track.
struct TrackStatusText {
    std::string caption;             // CaptionStats with the track name
    std::vector<std::string> lines;  // checksum, result, speed, counts, levels
};
TrackStatusText trackStatusText(const TextTable& texts, const std::string& trackName,
                                const TrackCopyResults& results);

}  // namespace ps

#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ps {

// One row of the track list as the main window shows it.
struct TrackRow {
    int trackNumber = 0;  // 0 for a message row
    std::string name;
    std::string time;
    std::string size;
    std::string information;
    bool selected = false;
    bool dataTrack = false;
};

// The track list: the rows of the inserted disc in list order, or one grey message row.
struct TrackList {
    std::vector<TrackRow> rows;
    bool grey = true;    // message rows: nothing can be edited, selected or opened
    int trackCount = 0;  // 999 once the program shuts down
    std::int32_t totalFrames = 0;
    std::string statusTracks;  // status panel 0

    static constexpr int kShuttingDown = 999;
};

// Texts of the message rows.
inline constexpr const char* kNoDriveRow = "No CD-ROM drive available";
inline constexpr const char* kLowDosMemoryRow = "Not enough low DOS memory for MSCDEX calls.";
inline constexpr const char* kDriveNotReadyRow = "The CD drive is not ready.";

// "%02ld:%02ld" of a number of frames: minutes, then seconds within the minute.
std::string formatPlayTime(std::int64_t frames);
// The wave size of a number of frames in megabytes: "%.2f Mb", with two leading spaces
// below 10.
std::string formatWaveSize(std::int64_t frames);

void showMessageRow(TrackList& list, const std::string& text);

}  // namespace ps

#pragma once

#include <array>
#include <string>

#include "app/settings.h"
#include "i18n/text_table.h"
#include "tracks/disc_record.h"

namespace ps {

// Copy status of a track (TrackCopyResults::copyStatus). Any other non-zero value is the
// error code the read returned.
namespace copy_status {
inline constexpr int kNotCopied = 0;
inline constexpr int kCopied = 256;
inline constexpr int kAborted = 257;          // by the user, or the read did not start
inline constexpr int kNoAnswer = 258;         // the drive did not answer
inline constexpr int kTempNotWritable = 259;  // temp.wav could not be written
inline constexpr int kRangeRefused = 260;     // the range is not inside one audio track
inline constexpr int kSynchLost = 263;        // synchronisation lost and aborted
inline constexpr int kEncoderProblem = 264;   // direct encoding failed to start
}  // namespace copy_status

// The copy status a StartRecord result gives. `directEncodingFailed` turns a read that
// did not start (0) into the encoder status.
int CopyStatusForResult(int accessMode, int result, bool directEncodingFailed);

// The track's results after a copy with that status: 259 and 260 keep no speed, counts,
// checksum or checksum state; any status but 256 keeps no checksum state.
void ClearResultsForStatus(TrackCopyResults& results);

// The status text of the detailed status ("Aspi error" for every read error code).
std::string DetailedResultText(int copyStatus, const TextTable& texts);

// The detailed status of one track, as the small status window and the "Copy status"
// window show it. The value texts start with a space where the labelled line has one.
struct DetailedStatus {
    std::string caption;   // "Copy status <name>"
    std::string checksum;  // "Checksum: ...", empty when the status is not 256
    std::string result;    // "Copy Result: OK"
    std::string ripSpeed;  // "Rip speed: 4.00x", the label alone without a speed
    std::string lostSynchs;
    std::string speedProblems;
    std::string possibleSpeedProblems;
    // Old peak, new peak, old average, new average, old and new compression ratio:
    // the value alone (" 98%" or " N/A") and the labelled line of the one-column window.
    std::array<std::string, 6> values;
    std::array<std::string, 6> lines;
};

DetailedStatus DetailedCopyStatus(const TrackRecord& track, const TextTable& texts);

}  // namespace ps

#include "grab/copy_status.h"

#include <cstdio>

#include "cdaccess/disc_table.h"
#include "cdaccess/read_method.h"

namespace ps {

namespace {

std::string text(const TextTable& texts, std::string_view key) {
    return std::string(texts.text(key));
}

std::string hex8(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08lX", static_cast<unsigned long>(value));
    return buffer;
}

// The checksum with the silence marks of its state: "X" before for a silent start,
// after for a silent end.
std::string markedChecksum(std::uint32_t checksum, int state) {
    std::string marked = hex8(checksum);
    if (state == 2 || state == 3) {
        marked.insert(0, "X");
    }
    if (state == 1 || state == 3) {
        marked += "X";
    }
    return marked;
}

std::string speedText(int speed) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, " %.2fx", speed / 100.0);
    return buffer;
}

std::string percentValue(int value, const char* format, const TextTable& texts) {
    if (value == -1) {
        return " " + text(texts, "NotAvailStatus");
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

int CopyStatusForResult(int accessMode, int result, bool directEncodingFailed) {
    switch (result) {
        case record_result::kDone:
            return copy_status::kCopied;
        case record_result::kNotStarted:
            return directEncodingFailed ? copy_status::kEncoderProblem : copy_status::kAborted;
        case record_result::kAbortedTrack:
        case record_result::kAbortedAll:
            return copy_status::kAborted;
        case record_result::kWriteFailed:
            return copy_status::kTempNotWritable;
        case record_result::kRangeNotInOneTrack:
            return copy_status::kRangeRefused;
        case record_result::kSynchLost:
            return copy_status::kSynchLost;
        default:
            break;
    }
    if (accessMode == access_mode::kAspi) {
        return result == record_result::kCommandIncomplete ? copy_status::kNoAnswer : result;
    }
    // The analog recording and the helper end with one of the codes above; anything else
    // they report is a recording that completed.
    return copy_status::kCopied;
}

void ClearResultsForStatus(TrackCopyResults& results) {
    if (results.copyStatus == copy_status::kTempNotWritable ||
        results.copyStatus == copy_status::kRangeRefused) {
        results.speed = -1;
        results.lostSynchs = 0;
        results.speedProblems = 0;
        results.possibleSpeedProblems = 0;
        results.checksum = 0;
        results.checksumState = -1;
    }
    if (results.copyStatus != copy_status::kCopied) {
        results.checksumState = -1;
    }
}

std::string DetailedResultText(int copyStatus, const TextTable& texts) {
    switch (copyStatus) {
        case copy_status::kNotCopied:
            return text(texts, "NotCopiedStatus");
        case copy_status::kCopied:
            return text(texts, "CopiedOKStatus");
        case copy_status::kAborted:
            return text(texts, "AbortedStatus");
        case copy_status::kNoAnswer:
            return text(texts, "NoAnswerStatus");
        case copy_status::kRangeRefused:
            return text(texts, "TempWavErrStatus");
        case copy_status::kSynchLost:
            return text(texts, "SynchErrStatus");
        case copy_status::kEncoderProblem:
            return text(texts, "EncFailStatus");
        default:
            return text(texts, "ErrorStatus");
    }
}

DetailedStatus DetailedCopyStatus(const TrackRecord& track, const TextTable& texts) {
    const TrackCopyResults& r = track.results;
    DetailedStatus status;
    status.caption = texts.format("CaptionStats", track.name);
    if (r.copyStatus == copy_status::kCopied) {
        std::string value;
        if (!r.checksumAvailable) {
            value = text(texts, "DisabledInfo");
        } else if (r.checksumState < 0) {
            value = text(texts, "SpeedNoneInfo");
        } else {
            value = markedChecksum(r.checksum, r.checksumState);
        }
        status.checksum = texts.format("CheksumStats", value);
    }
    status.result = text(texts, "ResultStatus") + " " + DetailedResultText(r.copyStatus, texts);
    status.ripSpeed = text(texts, "RipSpeedStatus");
    if (r.speed != -1 && r.speed != -100) {
        status.ripSpeed += speedText(r.speed);
    }
    status.lostSynchs = text(texts, "LostSyncsStatus");
    status.speedProblems = text(texts, "SpeedprobStatus");
    status.possibleSpeedProblems = text(texts, "PossProbStatus");
    if (r.copyStatus != copy_status::kNotCopied) {
        status.lostSynchs += " " + std::to_string(r.lostSynchs);
        status.speedProblems += " " + std::to_string(r.speedProblems);
        status.possibleSpeedProblems += " " + std::to_string(r.possibleSpeedProblems);
    }
    const int figures[6] = {r.oldPeak,    r.newPeak,    r.oldAverage,
                            r.newAverage, r.oldCompact, r.newCompact};
    const char* labels[6] = {"OldPeakStatus", "NewPeakStatus", "OldAvgStatus",
                             "NewAvgStatus",  "OldCompStatus", "NewCompStatus"};
    for (std::size_t i = 0; i < 6; ++i) {
        status.values[i] = percentValue(figures[i], " %02d%%", texts);
        status.lines[i] = text(texts, labels[i]) + status.values[i];
    }
    return status;
}

}  // namespace ps

#include "tracks/track_status_text.h"

#include <cstdio>

#include "app/settings.h"
#include "i18n/text_table.h"

namespace ps {

namespace {

constexpr int kNotCopied = 0;
constexpr int kCopied = 256;

std::string printf1(const char* format, auto value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string checksumText(std::uint32_t checksum, int state) {
    static constexpr const char* kFormats[] = {"%08lX", "%08lXX", "X%08lX", "X%08lXX"};
    const int index = state >= 0 && state <= 3 ? state : 0;
    return printf1(kFormats[index], static_cast<unsigned long>(checksum));
}

std::string key(const TextTable& texts, const char* name) {
    return std::string(texts.text(name));
}

// " %2d%%" in the information column, " %02d%%" in the detailed status; -1 is "N/A".
std::string levelText(const TextTable& texts, int value, const char* format) {
    return value == -1 ? " " + key(texts, "NotAvailStatus") : printf1(format, value);
}

}  // namespace

std::string copyStatusInfoText(const TextTable& texts, int copyStatus) {
    switch (copyStatus) {
        case kNotCopied:
            return {};
        case kCopied:
            return key(texts, "CopiedOKInfo");
        case 257:
            return key(texts, "AbortUsrInfo");
        case 258:
            return key(texts, "NoAnswerStatus");
        case 260:
            return key(texts, "TempWavErrStatus");
        case 263:
            return key(texts, "AbortSyncInfo");
        case 264:
            return key(texts, "AbortEncInfo");
        default:
            return key(texts, "ErrorStatus");
    }
}

std::string copyStatusResultText(const TextTable& texts, int copyStatus) {
    switch (copyStatus) {
        case kNotCopied:
            return key(texts, "NotCopiedStatus");
        case kCopied:
            return key(texts, "CopiedOKStatus");
        case 257:
            return key(texts, "AbortedStatus");
        case 258:
            return key(texts, "NoAnswerStatus");
        case 260:
            return key(texts, "TempWavErrStatus");
        case 263:
            return key(texts, "SynchErrStatus");
        case 264:
            return key(texts, "EncFailStatus");
        default:
            return key(texts, "ErrorStatus");
    }
}

std::string trackInformationText(const TextTable& texts, const Settings& settings,
                                 const TrackCopyResults& results) {
    if (results.copyStatus == kNotCopied) {
        return {};
    }
    std::string text = copyStatusInfoText(texts, results.copyStatus);
    if (settings.ShowChecksum && results.copyStatus == kCopied) {
        text += " ," + key(texts, "ChecksumInfo");
        if (!results.checksumAvailable || results.checksumState < 0) {
            text += " " + key(texts, "NotAvailStatus");
        } else {
            text += " " + checksumText(results.checksum, results.checksumState);
        }
    }
    if (settings.ShowRipSpeed) {
        text += ", " + key(texts, "RipSpeedInfo");
        text += results.speed < 0 ? " " + key(texts, "SpeedNoneInfo")
                                  : printf1(" %.2fx", results.speed / 100.0);
    }
    if (settings.ShowLostSynchs) {
        text += ", ";
        text += results.lostSynchs == 0 ? key(texts, "SyncOKInfo")
                                        : texts.format("SyncLossInfo", results.lostSynchs);
    }
    if (settings.ShowSpeedProblems) {
        text += results.speedProblems > 9 ? ",  " : ", ";
        text += results.speedProblems == 0 ? key(texts, "NoSpeedProbInfo")
                                           : texts.format("SpeedProbsInfo", results.speedProblems);
    }
    const struct {
        bool shown;
        const char* label;
        int value;
    } levels[] = {
        {settings.ShowOldPeak, "OldPeakInfo", results.oldPeak},
        {settings.ShowNewPeak, "NewPeakInfo", results.newPeak},
        {settings.ShowOldAverage, "OldAvginfo", results.oldAverage},
        {settings.ShowNewAverage, "NewAvgInfo", results.newAverage},
        {settings.ShowOldCompactRatio, "OldCompactInfo", results.oldCompact},
        {settings.ShowNewCompactRatio, "NewCompactInfo", results.newCompact},
    };
    for (const auto& level : levels) {
        if (level.shown) {
            text += ", " + key(texts, level.label) + levelText(texts, level.value, " %2d%%");
        }
    }
    return text;
}

TrackStatusText trackStatusText(const TextTable& texts, const std::string& trackName,
                                const TrackCopyResults& results) {
    TrackStatusText status;
    status.caption = texts.format("CaptionStats", trackName);
    std::string checksum;
    if (results.copyStatus == kCopied) {
        if (!results.checksumAvailable) {
            checksum = key(texts, "DisabledInfo");
        } else if (results.checksumState < 0) {
            checksum = key(texts, "SpeedNoneInfo");
        } else {
            checksum = checksumText(results.checksum, results.checksumState);
        }
    }
    status.lines.push_back(texts.format("CheksumStats", checksum));
    status.lines.push_back(key(texts, "ResultStatus") + " " +
                           copyStatusResultText(texts, results.copyStatus));
    std::string speed = key(texts, "RipSpeedStatus");
    if (results.speed != -1 && results.speed != -100) {
        speed += printf1(" %.2fx", results.speed / 100.0);
    }
    status.lines.push_back(speed);
    const struct {
        const char* label;
        int value;
    } counts[] = {{"LostSyncsStatus", results.lostSynchs},
                  {"SpeedprobStatus", results.speedProblems},
                  {"PossProbStatus", results.possibleSpeedProblems}};
    for (const auto& count : counts) {
        std::string line = key(texts, count.label);
        if (results.copyStatus != kNotCopied) {
            line += printf1(" %d", count.value);
        }
        status.lines.push_back(line);
    }
    const struct {
        const char* label;
        int value;
    } levels[] = {{"OldPeakStatus", results.oldPeak},    {"NewPeakStatus", results.newPeak},
                  {"OldAvgStatus", results.oldAverage},  {"NewAvgStatus", results.newAverage},
                  {"OldCompStatus", results.oldCompact}, {"NewCompStatus", results.newCompact}};
    for (const auto& level : levels) {
        status.lines.push_back(key(texts, level.label) + levelText(texts, level.value, " %02d%%"));
    }
    return status;
}

}  // namespace ps

#include "app/chosen_files.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/settings.h"
#include "audio/wave_file.h"
#include "encode/encoder_command.h"
#include "grab/grab_normalizer_adapter.h"
#include "i18n/text_table.h"
#include "platform/clock.h"
#include "tags/id3_tag.h"

namespace ps {
namespace {

std::string Lowered(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

void ShowEncodeMessage(const ChosenFilesContext& context, ChosenFilesUi& ui,
                       const EncodeMessage& message) {
    if (message.key.empty()) {
        return;
    }
    const std::string text = message.arguments.empty()
                                 ? std::string(context.texts.text(message.key))
                                 : context.texts.format(message.key, message.arguments.front());
    const std::string title = message.titleKey.empty()
                                  ? std::string(kApplicationTitle)
                                  : std::string(context.texts.text(message.titleKey));
    ui.showMessage(text, title);
}

// One file on the peak window; false when the user stopped it (skip or abort).
bool NormalizeOne(const std::string& path, int index, int count, ChosenFilesContext& context,
                  ChosenFilesUi& ui, ChosenFileReport& report) {
    NormalizeContext normalize;
    normalize.progress = &ui.peakWindow();
    normalize.pump = context.pump;
    normalize.clock = context.clock;
    normalize.index = index;
    normalize.count = count;
    const NormalizeOutcome outcome =
        NormalizeWaveFile(path, 1, context.settings, std::nullopt, normalize);
    report.normalized = true;
    report.normalizeCode = outcome.code;
    report.statistics = outcome.statistics;
    const NormalizeMessageText message = FormatNormalizeMessage(context.texts, outcome.message);
    if (!message.text.empty()) {
        ui.showMessage(message.text, message.title);
    }
    return outcome.code != normalize_result::Stopped;
}

// One file through the external encoder, waiting for its completion; false when the
// user aborted the wait.
bool EncodeOne(const std::string& path, int index, int count, ChosenFilesContext& context,
               ChosenFilesUi& ui, ChosenFileReport& report) {
    ChosenFileRequest request;
    request.path = path;
    request.index = index;
    request.count = count;
    request.editorTitle = context.tags.editorTitle;
    request.artist = context.tags.track.artist;
    request.album = context.tags.track.album;
    EncodeMessage message;
    const int started =
        StartEncodeChosenFile(context.encoder, context.settings, request, context.pump, message);
    if (started != encode_start::kStarted) {
        ShowEncodeMessage(context, ui, message);
        return true;
    }
    report.encodeStarted = true;
    ui.setEncoderWaitTexts(context.encoder.waitTexts());
    ui.setEncoderCaption(
        count > 1 ? context.texts.format("FileOfNorm", FileNameOfPath(path), index, count)
                  : std::string());
    bool aborted = false;
    while (!context.encoder.poll()) {
        if (context.pump) {
            context.pump();
        }
        if (ui.encoderWaitAborted()) {
            context.encoder.abortAndComplete();
            aborted = true;
            break;
        }
        if (context.clock != nullptr) {
            context.clock->sleepMs(static_cast<int>(context.pollInterval.count()));
        }
    }
    const std::optional<ExternalEncodeResult>& result = context.encoder.result();
    if (result) {
        report.encoded = !result->aborted && result->outputFound && result->exitedNormally &&
                         !result->outputPath.empty();
        report.outputPath = result->outputPath;
    }
    return !aborted;
}

// The wave is deleted only once its compressed file exists: a failed or aborted encode
// must not cost the user the only copy of the audio.
void DeleteEncodedWave(ChosenFileReport& report) {
    if (!report.encoded) {
        return;
    }
    std::error_code error;
    report.waveDeleted = std::filesystem::remove(report.path, error) && !error;
}

enum class BatchSteps { Normalize, Encode, Both };

ChosenFilesReport RunBatch(const std::vector<std::string>& files, BatchSteps steps,
                           bool deleteWaves, ChosenFilesContext& context, ChosenFilesUi& ui) {
    ChosenFilesReport report;
    const int count = static_cast<int>(files.size());
    const bool normalizing = steps != BatchSteps::Encode;
    const bool encoding = steps != BatchSteps::Normalize;
    ui.setMainWindowEnabled(false);
    if (normalizing) {
        ui.showPeakWindow(count);
    }
    if (encoding) {
        ui.showEncoderWait();
    }
    for (int i = 0; i < count; ++i) {
        ChosenFileReport file;
        file.path = files[static_cast<std::size_t>(i)];
        bool goOn = true;
        if (normalizing) {
            ui.clearSkip();
            goOn = NormalizeOne(file.path, i + 1, count, context, ui, file);
            if (ui.abortAllRequested()) {
                report.files.push_back(file);
                report.abortedAll = true;
                break;
            }
        }
        if (encoding && goOn) {
            if (!EncodeOne(file.path, i + 1, count, context, ui, file)) {
                report.files.push_back(file);
                report.abortedAll = true;
                break;
            }
            if (deleteWaves) {
                DeleteEncodedWave(file);
            }
        }
        report.files.push_back(file);
    }
    if (encoding) {
        ui.hideEncoderWait();
    }
    if (normalizing) {
        ui.hidePeakWindow();
    }
    ui.setMainWindowEnabled(true);
    return report;
}

bool RefuseWithoutEncoder(const ChosenFilesContext& context, ChosenFilesUi& ui) {
    if (!context.settings.L3encFilename.empty() && !context.settings.InternalCodec) {
        return false;
    }
    ui.showMessage(std::string(context.texts.text("NoCodec3Msg")), kApplicationTitle);
    return true;
}

// A track file of an audio disc ("X:\Track03.cda") on the drive the CD-ROM driver serves.
bool IsAudioDiscTrackFile(const std::string& path, int helperDrive) {
    return helperDrive >= 0 && path.size() >= 4 && Lowered(path).ends_with(".cda") &&
           std::toupper(static_cast<unsigned char>(path[0])) - 'A' == helperDrive;
}

// The number written from the ninth character on: the digits after "X:\Track".
int AudioDiscTrackNumber(const std::string& path) {
    return path.size() > 8 ? std::atoi(path.c_str() + 8) : 0;
}

bool IsPcmWave(const std::string& path, bool& opened) {
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    opened = file != nullptr;
    if (!opened) {
        return false;
    }
    WaveFormatInfo info;
    const bool wave = ReadWaveFormat(file, info);
    std::fclose(file);
    return wave;
}

}  // namespace

bool EncodingAvailable(const Settings& settings) {
    return !settings.L3encFilename.empty() || settings.InternalCodec;
}

std::string NormalizeDialogTitle(const Settings& settings, const TextTable& texts) {
    if (settings.NormalizeLimit) {
        return texts.format("Norm2Misc", settings.NormalizeTo, settings.NormalizeLow,
                            settings.NormalizeHigh);
    }
    return texts.format("NormMisc", settings.NormalizeTo);
}

std::string EncodeDialogTitle(const Settings& settings, const TextTable& texts) {
    if (settings.InternalCodec) {
        return texts.format("CreateMP3Misc", settings.CodecMode);
    }
    std::string arguments;
    if (settings.UseOwnL3encArguments) {
        arguments = settings.L3encArguments;
    } else {
        arguments = BitrateArgument(settings.bitrateIndex());
        if (settings.L3encHQBit) {
            arguments += " -hq";
        }
        if (settings.L3CRCFlag) {
            arguments += " -crc";
        }
    }
    return texts.format("Create2MP3Misc", arguments);
}

ChosenFilesReport NormalizeChosenFiles(const std::vector<std::string>& files,
                                       ChosenFilesContext& context, ChosenFilesUi& ui) {
    return RunBatch(files, BatchSteps::Normalize, false, context, ui);
}

ChosenFilesReport EncodeChosenFiles(const std::vector<std::string>& files,
                                    ChosenFilesContext& context, ChosenFilesUi& ui) {
    if (RefuseWithoutEncoder(context, ui)) {
        return {};
    }
    return RunBatch(files, BatchSteps::Encode, false, context, ui);
}

DropReport HandleDroppedFiles(const std::vector<std::string>& paths, ChosenFilesContext& context,
                              ChosenFilesUi& ui, const DropHooks& hooks) {
    DropReport report;
    bool listRefreshed = false;
    bool trackSelected = false;
    std::vector<std::string> waves;
    int unopened = 0;
    std::string lastUnopened;
    for (const std::string& path : paths) {
        if (IsAudioDiscTrackFile(path, hooks.helperDrive)) {
            const int track = AudioDiscTrackNumber(path);
            if (!listRefreshed) {
                listRefreshed = true;
                if (hooks.refreshAndDeselect) {
                    hooks.refreshAndDeselect();
                }
            }
            if (track >= 1 && track <= 100) {
                if (hooks.selectTrack) {
                    hooks.selectTrack(track);
                }
                trackSelected = true;
            }
        } else {
            bool opened = false;
            if (IsPcmWave(path, opened)) {
                waves.push_back(path);
            }
            if (!opened) {
                ++unopened;
                lastUnopened = path;
            }
        }
        if (hooks.grabbedFiles != nullptr) {
            hooks.grabbedFiles->push_back(path);
        }
    }

    if (trackSelected) {
        report.kind = DropReport::Kind::CdTracks;
        if (hooks.startGrab) {
            hooks.startGrab();
        }
        return report;
    }
    if (!waves.empty()) {
        report.kind = DropReport::Kind::Waves;
        bool deleteWaves = context.settings.DeleteDroppedWaves;
        report.choice =
            ui.askDropChoice(waves.size() > 1, EncodingAvailable(context.settings), deleteWaves);
        if (report.choice == DropChoice::Cancel) {
            return report;
        }
        context.settings.DeleteDroppedWaves = deleteWaves;
        const bool encoding = report.choice != DropChoice::Normalize;
        if (encoding && RefuseWithoutEncoder(context, ui)) {
            return report;
        }
        const BatchSteps steps = report.choice == DropChoice::Normalize ? BatchSteps::Normalize
                                 : report.choice == DropChoice::Encode  ? BatchSteps::Encode
                                                                        : BatchSteps::Both;
        report.files = RunBatch(waves, steps, deleteWaves, context, ui);
        return report;
    }
    // A file that did not open is named: telling the user it is no wave would mislead.
    if (unopened == 0) {
        ui.showMessage(
            std::string(context.texts.text(paths.size() > 1 ? "NotWaveFiles" : "NotWave2Files")),
            std::string(context.texts.text("NotWaveTitle")));
    } else {
        ui.showMessage(context.texts.format("CouldNot2Open", lastUnopened), kApplicationTitle);
    }
    return report;
}

}  // namespace ps

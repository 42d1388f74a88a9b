#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "audio/normalizer.h"
#include "encode/encode_file.h"

namespace ps {

struct Settings;
class TextTable;
class Clock;
struct TagFields;

// What the user chose in "Select what to do".
enum class DropChoice { Cancel, Normalize, Encode, Both };

// The windows of the commands on chosen and dropped files: the peak window, the
// encoder's waiting window, message boxes and the drop question. The GUI and the tests
// implement it.
class ChosenFilesUi {
  public:
    virtual ~ChosenFilesUi() = default;
    // A warning box.
    virtual void showMessage(const std::string& text, const std::string& title) = 0;
    virtual void setMainWindowEnabled(bool) {}

    // The peak window: both engines report to it. Its skip button ends the current file,
    // its abort button the whole batch.
    virtual NormalizeProgress& peakWindow() = 0;
    virtual void showPeakWindow(int /*fileCount*/) {}
    virtual void hidePeakWindow() {}
    virtual bool abortAllRequested() = 0;
    virtual void clearSkip() {}

    // The "Waiting for external MP3 encoder" window; its abort ends the batch.
    virtual void showEncoderWait() {}
    virtual void setEncoderWaitTexts(const EncoderWaitTexts&) {}
    // "%s, file %d of %d" while several files are encoded; empty for one.
    virtual void setEncoderCaption(const std::string&) {}
    virtual void hideEncoderWait() {}
    virtual bool encoderWaitAborted() { return false; }

    // "Select what to do"; `deleteWaves` holds DeleteDroppedWaves and takes the box's state.
    virtual DropChoice askDropChoice(bool severalFiles, bool encodingAvailable,
                                     bool& deleteWaves) = 0;
};

// Everything the commands work with besides their windows.
struct ChosenFilesContext {
    Settings& settings;
    const TextTable& texts;
    ExternalEncodeSession& encoder;
    const TagFields& tags;  // the editor's title; artist and album as the main window shows
    Clock* clock = nullptr;
    std::function<void()> pump;
    std::chrono::milliseconds pollInterval{100};
};

struct ChosenFileReport {
    std::string path;
    bool normalized = false;  // the engine ran
    int normalizeCode = normalize_result::Unchanged;
    NormalizeStatistics statistics;
    bool encodeStarted = false;
    bool encoded = false;  // the encoder ended normally and left its output
    std::string outputPath;
    bool waveDeleted = false;
};

struct ChosenFilesReport {
    std::vector<ChosenFileReport> files;
    bool abortedAll = false;
};

// An encoder program is set, or the internal codec is chosen.
bool EncodingAvailable(const Settings& settings);

// The titles of the two file dialogs.
std::string NormalizeDialogTitle(const Settings& settings, const TextTable& texts);
std::string EncodeDialogTitle(const Settings& settings, const TextTable& texts);

// "&Normalize...": the files one after another on the peak window (source 1).
ChosenFilesReport NormalizeChosenFiles(const std::vector<std::string>& files,
                                       ChosenFilesContext& context, ChosenFilesUi& ui);

// "&Make MP3...": each file through the encoder (kind 2), waiting for each completion.
// Refuses with NoCodec3Msg when no encoder is set.
ChosenFilesReport EncodeChosenFiles(const std::vector<std::string>& files,
                                    ChosenFilesContext& context, ChosenFilesUi& ui);

// The main window's part in a drop: the audio-disc track files select their rows and
// start the grab.
struct DropHooks {
    int helperDrive = -1;  // the drive number of the CD-ROM driver (0 = A:); -1 none
    std::function<void()> refreshAndDeselect;
    std::function<void(int track)> selectTrack;
    std::function<void()> startGrab;
    // The grabbed-files list: every dropped path joins it.
    std::vector<std::string>* grabbedFiles = nullptr;
};

struct DropReport {
    enum class Kind { CdTracks, Waves, Nothing };
    Kind kind = Kind::Nothing;
    DropChoice choice = DropChoice::Cancel;
    ChosenFilesReport files;
};

// Files dropped on the main window: audio-disc track files start a grab of their tracks;
// PCM wave files lead to "Select what to do" and its normalize, encode or both (with
// DeleteDroppedWaves: a wave is deleted once its compressed file exists); anything else
// gets its message.
DropReport HandleDroppedFiles(const std::vector<std::string>& paths, ChosenFilesContext& context,
                              ChosenFilesUi& ui, const DropHooks& hooks);

}  // namespace ps

#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/chosen_files.h"
#include "app/settings.h"
#include "cdaccess/disc_table.h"
#include "cdaccess/read_method.h"
#include "cdaccess/read_method_selection.h"
#include "cddb/cd_audio_disc_identity.h"
#include "cddb/cdplayer_ini.h"
#include "cddb/disc_id.h"
#include "cddb/disc_number.h"
#include "encode/grab_encoder_adapter.h"
#include "grab/grab_disc_check.h"
#include "grab/grab_job.h"
#include "grab/grab_normalizer_adapter.h"
#include "i18n/language_menu.h"
#include "i18n/text_table.h"
#include "platform/autostart.h"
#include "platform/cd_audio_device.h"
#include "platform/clock.h"
#include "platform/drive_types.h"
#include "platform/process.h"
#include "tags/id3_editor.h"
#include "tags/id3_tag.h"
#include "tracks/disc_record.h"
#include "tracks/track_estimates.h"
#include "tracks/track_list.h"

namespace ps {

// What the program needs from the platform to start and stop. The front end builds the
// realisations (or doubles) and keeps them alive for the shell's whole life.
struct ProgramServices {
    Clock* clock = nullptr;
    Autostart* autostart = nullptr;
    DriveTypes* driveTypes = nullptr;
    CdAudioDevices* cdAudioDevices = nullptr;  // the disc number; none in some tests
    FileSystem* fileSystem = nullptr;          // the grab job stores its files through it
    Screensaver* screensaver = nullptr;
    PowerControl* power = nullptr;
    InstanceChannel* otherCopies = nullptr;      // continuous ripping
    ProcessLauncher* processLauncher = nullptr;  // external encoders
    // The back-ends of the read-method switch; an unset factory stands for "not there".
    std::function<std::unique_ptr<AspiBackend>()> createAspi;
    std::function<std::unique_ptr<AnalogBackend>()> createAnalog;
    ReadMethod::HelperFactory createHelper;
    bool platformIsNT = false;
    bool soundCardPresent = false;
    int screenWidth = 0;
    int screenHeight = 0;
    // Full path of the running program file, for the autostart entry.
    std::string executablePath;
    int currentYear = 2000;
    std::string defaultDestinationDirectory;
    // The installed language files (share/platterscoop/languages).
    std::string languageDataDirectory;
    std::function<bool(const std::string& directory)> canEnterDirectory;
    std::function<int(const std::string& program)> playerIconCount;
};

// Only an exact "true" after lower-casing lets a second copy run; "yes" or "1", which the
// settings loader reads as on, do not.
bool multipleInstancesAllowed(const std::string& settingsPath);

// The program from start to end: it owns the program-wide records (settings, disc table,
// extraction statistics, track list) and the read-method switch, and carries out the
// steps of start-up and shutdown. Both front ends drive the same shell.
class ProgramShell {
  public:
    ProgramShell(std::string programDirectory, ProgramServices services);
    ~ProgramShell();
    ProgramShell(const ProgramShell&) = delete;
    ProgramShell& operator=(const ProgramShell&) = delete;

    // Fills the text table from the built-in texts and the language file named by the
    // settings file's `Language` (the splash window does this before any window exists).
    void loadTexts();

    // The main window's creation: removes the autostart entry, loads the settings (with
    // `overrides` standing in the file as if written there), recovers from a crash, marks
    // the program running (unless `markRunning` is false, as for the command line), and
    // chooses the access mode and drives.
    void create(const std::vector<std::pair<std::string, std::string>>& overrides = {},
                bool markRunning = true);

    // The refresh of the track list.
    bool refresh();

    // Where language files are looked for: the program directory, then the installed ones.
    std::vector<std::filesystem::path> languageDirectories() const;
    // A language chosen in the menu ("" for English): the texts are loaded again, and
    // tracks still named by the old default get the new one.
    void changeLanguage(const std::string& language);

    // The settings of the next extraction, from the settings record and the values below.
    // The destination directory is made here, when it is first needed.
    ExtractionSettings extractionSettings();
    // Written instead of temp.wav by the next extraction (the command line's rip --out).
    std::string ripOutputPath;
    // The fades of the next extraction (a partial rip).
    bool nextFadeIn = false;
    bool nextFadeOut = false;

    // Polled about once a second while nothing else uses the drive: true when the disc in
    // the drive changed since the previous poll (inserted, removed or swapped). The first
    // poll only remembers the disc.
    bool mediaChanged();

    // The grab job of "&Grab!" and "&Test" over the track list, shown through `ui`, with
    // `pump` processing pending window messages in its waits.
    GrabOutcome grab(GrabMode mode, GrabUi& ui, std::function<void()> pump);
    // The job of the last grab; nullptr before the first.
    GrabJob* lastGrab() { return grabJob_.get(); }
    // Answers the continuous-ripping signal of another copy.
    bool continuousRippingSignal(GrabUi& ui, std::function<void()> pump);

    // "&Normalize..." and "&Make MP3..." on chosen wave files, and files dropped on the
    // main window. Track files of an audio disc refresh the list, select their tracks and
    // then call `startGrab`, the window's part of a drop.
    ChosenFilesReport normalizeFiles(const std::vector<std::string>& files, ChosenFilesUi& ui,
                                     std::function<void()> pump);
    ChosenFilesReport encodeFiles(const std::vector<std::string>& files, ChosenFilesUi& ui,
                                  std::function<void()> pump);
    DropReport dropFiles(const std::vector<std::string>& paths, ChosenFilesUi& ui,
                         std::function<void()> pump, std::function<void()> startGrab);
    // The external encoder of the grab and the commands; nullptr without a process launcher.
    GrabEncoderAdapter* encoderAdapter() { return encoder_.get(); }

    // The main window's close: writes the settings (ProgramRunning false) and releases
    // what start-up took. Safe to call more than once; only the first call acts.
    void writeVariables();

    const std::string& programDirectory() const { return programDirectory_; }
    const std::string& settingsPath() const { return settingsPath_; }
    SettingsEnvironment settingsEnvironment() const;

    Settings settings;
    DiscTable discTable;
    ExtractionStatistics statistics;
    TextTable texts;
    DiscRecord disc;
    CdPlayerDiscIdentity discIdentity;
    AccessSelection access;
    // The CDDB disc id and length of the listed disc (after a refresh that found one).
    CddbDiscNumbers cddbNumbers;
    std::unique_ptr<ReadMethod> readMethod;
    std::unique_ptr<DiscIdentifier> discIdentifier;
    // The track list over the disc record; exists once create() ran.
    std::unique_ptr<TrackListModel> tracks;
    // What the next tag is built from (the ID3 editor edits it).
    TagFields tagFields;
    // The additional texts of WMA files (the ID3 editor edits them).
    WmaAttributes wmaAttributes;
    // Files dropped on the main window join the grabbed-files list.
    std::vector<std::string> droppedFiles;

    // The previous run did not end through the close handler.
    bool previousRunEndedAbnormally = false;
    // Rip and encode in one pass is in effect.
    bool directEncodeActive = false;
    // Cleared at shutdown; the track list's commands do nothing while it is clear.
    bool trackListReady = false;
    bool created() const { return created_; }
    bool shutDown() const { return shutDown_; }

  private:
    // Until a window takes them, the track list's notices go nowhere and its questions
    // are answered "yes".
    class QuietTrackListUi final : public TrackListUi {
      public:
        void showNotice(const std::string&, const std::string&) override {}
        bool askYesNo(const std::string&, const std::string&) override { return true; }
        void beep() override {}
    };

    // The grab job's calls into the track list and the settings.
    class ShellGrabHooks final : public GrabJobHooks {
      public:
        explicit ShellGrabHooks(ProgramShell& shell) : shell_(shell) {}
        bool confirmDiskSpace() override;
        void updateEstimates(std::size_t rowsDone, int phase) override;
        void prepareFades(const CopyRange& range) override;
        bool saveSettings() override;

      private:
        ProgramShell& shell_;
    };
    // The extraction's figures for the track rows.
    class ShellCopyFigures final : public GrabCopyFigures {
      public:
        explicit ShellCopyFigures(ProgramShell& shell) : shell_(shell) {}
        ExtractionFigures lastCopy() override;

      private:
        ProgramShell& shell_;
    };

    DefaultTrackNames defaultTrackNames() const;
    // The discs of the virtual drives bring their titles: they go into cdplayer.ini
    // unless the file already has an entry for the disc.
    void storeKnownDiscTitles();
    GrabJobParts grabParts(GrabUi& ui, std::function<void()> pump);
    // The commands on wave files need the encoder session and no running grab.
    bool chosenFilesAvailable() const;
    ChosenFilesContext chosenFilesContext(std::function<void()> pump);

    std::string programDirectory_;
    std::string settingsPath_;
    ProgramServices services_;
    CdAudioDiscIdentity identityDevice_;
    NoMountedVolumes volumes_;
    CdplayerIni cdplayer_;
    std::unique_ptr<ProgramTrackListSource> trackSource_;
    FilesystemFreeSpace freeSpace_;
    QuietTrackListUi quietUi_;
    std::unique_ptr<IdentifierDiscCheck> discCheck_;
    ShellGrabHooks grabHooks_{*this};
    ShellCopyFigures copyFigures_{*this};
    std::unique_ptr<GrabJob> grabJob_;
    std::unique_ptr<GrabNormalizerAdapter> normalizer_;
    std::unique_ptr<GrabEncoderAdapter> encoder_;
    std::optional<std::uint64_t> lastMedia_;
    bool created_ = false;
    bool shutDown_ = false;
};

}  // namespace ps

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cddb/cdplayer_ini.h"
#include "i18n/language_menu.h"
#include "tracks/disc_record.h"
#include "tracks/track_estimates.h"

namespace ps {

struct Settings;
class TextTable;
class ReadMethod;
class DiscIdentifier;
struct CdPlayerDiscIdentity;
struct DiscTable;

// Texts of the message rows.
inline constexpr const char* kNoDriveRow = "No CD-ROM drive available";
inline constexpr const char* kLowDosMemoryRow = "Not enough low DOS memory for MSCDEX calls.";
inline constexpr const char* kDriveNotReadyRow = "The CD drive is not ready.";

// What an empty track name becomes.
inline constexpr std::string_view kEmptyTrackName = "------";
// A drop more than this many pixels into a row puts the dragged track after that row.
inline constexpr int kDropAfterOffset = 16;
// Artist and album go into the tags with at most this many characters.
inline constexpr std::size_t kTagFieldLength = 30;

// "%02ld:%02ld" of a number of frames: minutes, then seconds within the minute.
std::string formatPlayTime(std::int64_t frames);
// The wave size of a number of frames in megabytes: "%.2f Mb", with two leading spaces
// below 10.
std::string formatWaveSize(std::int64_t frames);

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

// Where the refresh reads the disc from: the read-method switch, the disc identification
// and the CD player's database file.
class TrackListSource {
  public:
    virtual ~TrackListSource() = default;

    virtual int accessMode() const = 0;            // access_mode::k...
    virtual bool helperStartupFailed() const = 0;  // the MSCDEX library did not start
    virtual int getDiskInfo() = 0;                 // 256 or 768: a table of contents was read
    virtual int getLowest() = 0;
    virtual int getHighest() = 0;
    virtual std::int32_t getTrackInfo(int track) = 0;  // start frame
    virtual std::int32_t getTotalTime() = 0;
    virtual bool isDataTrack(int track) = 0;
    // Identifies the disc and records it as the listed one; the CD player disc number, 0
    // when there is none.
    virtual std::uint32_t identifyAndStore() = 0;
    // Whether the disc in the drive is the listed one (identification without storing).
    virtual bool discUnchanged() = 0;
    virtual CdplayerRead readCdplayer(std::uint32_t discNumber, bool autoQuery, int firstTrack,
                                      int lastTrack, const std::function<bool(int)>& isDataTrack,
                                      const DefaultTrackNames& defaults) = 0;
};

// The program's source: the read-method switch, its disc table for the data-track flags,
// the disc identifier and the database file.
class ProgramTrackListSource final : public TrackListSource {
  public:
    ProgramTrackListSource(ReadMethod& readMethod, const DiscTable& discTable,
                           DiscIdentifier& identifier, const CdPlayerDiscIdentity& identity,
                           const CdplayerIni& cdplayer);

    int accessMode() const override;
    bool helperStartupFailed() const override;
    int getDiskInfo() override;
    int getLowest() override;
    int getHighest() override;
    std::int32_t getTrackInfo(int track) override;
    std::int32_t getTotalTime() override;
    bool isDataTrack(int track) override;
    std::uint32_t identifyAndStore() override;
    bool discUnchanged() override;
    CdplayerRead readCdplayer(std::uint32_t discNumber, bool autoQuery, int firstTrack,
                              int lastTrack, const std::function<bool(int)>& isDataTrack,
                              const DefaultTrackNames& defaults) override;

  private:
    ReadMethod& readMethod_;
    const DiscTable& discTable_;
    DiscIdentifier& identifier_;
    const CdPlayerDiscIdentity& identity_;
    const CdplayerIni& cdplayer_;
};

// What the track list needs from the user interface. No-frills message boxes titled by
// the given title ("Platterscoop" when it is empty).
class TrackListUi {
  public:
    virtual ~TrackListUi() = default;
    virtual void showNotice(const std::string& text, const std::string& title) = 0;
    // A Yes/No question with No as the default button; true for Yes.
    virtual bool askYesNo(const std::string& text, const std::string& title) = 0;
    virtual void beep() = 0;
};

// What renaming a row did.
struct RenameResult {
    bool accepted = false;  // false on a grey list or for a row that is not there
    std::string name;       // the row's new name
    // For the CDDB submission grid: the edited text before the characters were replaced
    // ("------" for an empty one).
    std::string submissionTitle;
    bool replaced = false;  // a character was replaced and the message was shown
    std::string message;    // InvalidName, when shown
    std::string title;      // InvalidTrNameTitle, when shown
};

// What a change of the artist or album field did.
struct FieldResult {
    std::string text;       // the field's text, the nine characters replaced
    std::string tagText;    // its first 30 characters, for the ID3 tag
    int replacedCount = 0;  // one beep for each
};

// What the disc-arrival rule looks at.
struct DiscArrivalState {
    bool grabRunning = false;
    bool copyRunning = false;
    bool playing = false;
    bool copyingWindowVisible = false;
    bool mp3SettingsOpen = false;
    bool cddbQueryOpen = false;
};

struct DiscArrivalDecision {
    bool refresh = false;
    bool abortCddbQueryFirst = false;
};

// The track list of the inserted disc: fills the disc record from the drive, keeps the
// selection, renames and reorders tracks and keeps the texts of the status panels.
class TrackListModel {
  public:
    TrackListModel(DiscRecord& disc, const Settings& settings, const TextTable& texts,
                   TrackListSource& source, TrackListUi& ui, const FreeSpace& freeSpace);

    // The refresh; true when a disc's rows were built. Ends with the time estimate (phase
    // 3) and the disk-space estimate.
    bool refresh(bool useCdplayer = true);

    // Shutdown: the track count becomes 999 and the estimates do nothing any more.
    void shutDown();

    // After the text table was loaded again: the status text in the new language, and
    // tracks still named by the previous default names take the new ones.
    void textsChanged(const DefaultTrackNames& previous);

    // Every row's information column from its copy results and the `Show...` switches
    // (after the "Copy status" window's OK).
    void rebuildInformation();

    // A new volume arrived: whether the list is to be refreshed, and whether an open CDDB
    // query window is to be aborted before that. The caller does both.
    DiscArrivalDecision discArrived(const DiscArrivalState& state);

    // Rows as shown, in list order; one message row on a grey list.
    std::size_t rowCount() const;
    std::vector<TrackRow> rows() const;
    bool grey() const { return grey_; }
    const std::string& messageRow() const { return message_; }
    int trackNumberAtRow(std::size_t row) const;

    // Selection. `shift`: every row between the previous clicked row and this one gets
    // this row's new state. Each change updates the estimates.
    void toggle(std::size_t row, bool shift = false);
    // A click on a row outside its check box: the row becomes the start of the next Shift
    // range.
    void rowClicked(std::size_t row);
    void selectAll();
    void selectNone();
    // Selects the row of a track number (a track file dropped on the window).
    void selectTrack(int trackNumber);
    std::size_t selectedCount() const;
    // "&Grab!" and "&Test".
    bool grabEnabled() const { return grabEnabled_; }
    // "Store in cd&player.ini now".
    bool storeCdplayerEnabled() const { return storeCdplayerEnabled_; }

    // Editing; refused on a grey list.
    bool canEdit() const { return !grey_ && !disc_.rows.empty(); }
    RenameResult rename(std::size_t row, std::string_view text);
    FieldResult artistChanged(std::string_view text);
    FieldResult albumChanged(std::string_view text);

    // Drop of the row `fromRow` on the row `targetRow` at `offsetInRow` pixels below that
    // row's top; a `targetRow` of nullopt is a drop below the last row. Returns the row the
    // track stands at afterwards, nullopt when nothing moved.
    std::optional<std::size_t> moveByDrop(std::size_t fromRow, std::optional<std::size_t> targetRow,
                                          int offsetInRow);

    // The estimates, written into the status panels 1 and 2.
    void updateTimeEstimate(const TimeEstimateJob& job = {});
    // With `warn`, asks whether to go on when the space needed is above the space free;
    // false when the user declines.
    bool updateDiskSpaceEstimate(bool warn = false);
    const DiskSpaceEstimate& diskSpace() const { return diskSpace_; }

    // Status panels 0, 1 and 2.
    const std::string& statusTracks() const { return statusTracks_; }
    const std::string& statusTimeLeft() const { return statusTimeLeft_; }
    const std::string& statusDisk() const { return statusDisk_; }

    // Where messages and questions go from now on.
    void setUi(TrackListUi& ui) { ui_ = &ui; }

    // Direct rip-and-encode is in effect (decided at start-up).
    void setDirectEncodeActive(bool active) { directEncodeActive_ = active; }

    const DiscRecord& disc() const { return disc_; }

  private:
    void showMessage(const char* text);
    void selectionChanged();
    bool selectable(std::size_t row) const;
    DefaultTrackNames defaultNames() const;
    FieldResult fieldChanged(std::string_view text, std::string& target);

    DiscRecord& disc_;
    const Settings& settings_;
    const TextTable& texts_;
    TrackListSource& source_;
    TrackListUi* ui_;
    const FreeSpace& freeSpace_;
    bool grey_ = true;
    std::string message_;
    std::optional<std::size_t> lastClickedRow_;
    bool grabEnabled_ = false;
    bool storeCdplayerEnabled_ = false;
    bool directEncodeActive_ = false;
    DiskSpaceEstimate diskSpace_;
    std::string statusTracks_;
    std::string statusTimeLeft_;
    std::string statusDisk_;
};

}  // namespace ps

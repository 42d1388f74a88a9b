#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "audio/normalizer.h"
#include "cdaccess/backend_types.h"
#include "encode/encoder_wait_texts.h"
#include "grab/file_naming.h"
#include "grab/grab_range.h"
#include "i18n/text_table.h"
#include "tracks/disc_record.h"

namespace ps {

class Clock;
class FileSystem;
class InstanceChannel;
class PowerControl;
class ReadMethod;
class Screensaver;

enum class GrabMode {
    Grab,  // "&Grab!": copy, normalize, encode and store
    Test,  // "&Test": read only; nothing is written, normalized, encoded or stored
};

enum class MessageIcon { Information, Error };

// The track-level fields of the "Copying" window, formatted.
struct CopyingTrackInfo {
    std::string caption;                    // "Copying Artist - Track"
    std::string trackLength;                // "%d:%02d", or "%02d:%02d:%02d" from one hour on
    std::string totalSectors;               // "%d"
    std::string totalSize;                  // "%.2f Mbytes"
    std::string expectedReadTime;           // from CDSpeed
    std::string normalizationLine;          // Norm1Rip .. Norm5Rip or the advanced description
    std::string expectedNormalizationTime;  // empty without normalizing
    std::string encoderLine;                // the encoder's description; empty without one
    std::string expectedEncodingTime;       // empty without encoding
};

// The texts of the shut-down window.
struct ShutdownTexts {
    std::string caption;  // "Shut down in progress"
    std::string text1;
    std::string text2;
};

// What the job shows and asks. The GUI realises it with its windows; the command line
// prints the messages and progress. Everything but the messages may be left as it is.
class GrabUi {
  public:
    virtual ~GrabUi() = default;

    // A message box: text, title and icon.
    virtual void showMessage(const std::string& text, const std::string& title,
                             MessageIcon icon) = 0;

    // The "Copying" window.
    virtual void showCopying(const CopyingTrackInfo&) {}
    virtual void setCopyingCaption(const std::string&) {}
    // The spin-up line and its elapsed time "%d:%02d".
    virtual void showSpinUp(const std::string& /*text*/, const std::string& /*elapsed*/) {}
    // "Current CD read speed:" or "Current read and encode speed:".
    virtual void setSpeedLabel(const std::string&) {}
    virtual void setCopyingEnabled(bool) {}
    virtual void hideCopying() {}
    virtual void setMainWindowEnabled(bool) {}

    // The Skip and Abort-all requests of the "Copying" window (Abort all implies Skip).
    virtual bool skipRequested() { return false; }
    virtual bool abortAllRequested() { return false; }
    virtual void clearAbortRequests() {}

    // A row's information column changed (TrackRecord::information holds the text).
    virtual void rowChanged(std::size_t /*row*/) {}

    // Where the normalizer shows its progress during the job; none by default.
    virtual NormalizeProgress* normalizeProgress() { return nullptr; }

    // The "Waiting for external MP3 encoder" window and its own abort.
    virtual void showEncoderWait() {}
    // The window's lines for the run that just started.
    virtual void setEncoderWaitTexts(const EncoderWaitTexts&) {}
    virtual void hideEncoderWait() {}
    virtual bool encoderWaitAborted() { return false; }

    // The shut-down window: shown, its countdown "%d:%02d", its "&Abort", hidden.
    virtual void showShutdown(const ShutdownTexts&) {}
    virtual void setShutdownCountdown(const std::string&) {}
    virtual bool shutdownAborted() { return false; }
    virtual void hideShutdown() {}
};

// Whether the disc in the drive is the one the list was filled from.
enum class DiscState { Same, NotReady, Other };

class GrabDiscCheck {
  public:
    virtual ~GrabDiscCheck() = default;
    // Identifies the disc without storing it.
    virtual DiscState checkDisc() = 0;
    // The CD player disc number of the disc in the drive now; 0 when none.
    virtual std::uint32_t currentDiscNumber() = 0;
    // The CDDB id of the listed disc, for the names.
    virtual std::uint32_t cddbId() { return 0; }
};

// Where the job reads the figures of the last extraction (speed, lost synchronisations).
class GrabCopyFigures {
  public:
    virtual ~GrabCopyFigures() = default;
    virtual ExtractionFigures lastCopy() = 0;
};

// One stored track of the job: its row, its name and its final wave path.
struct GrabbedFile {
    std::size_t row = 0;
    std::string trackName;
    std::string wavePath;
};

// Phases of the time estimate the job asks for.
namespace estimate_phase {
inline constexpr int kCopying = 1;
inline constexpr int kIdle = 3;
inline constexpr int kEncodingGrabbed = 4;
}  // namespace estimate_phase

// Work of other windows the job starts at its fixed points. Each has a harmless default.
class GrabJobHooks {
  public:
    virtual ~GrabJobHooks() = default;
    // The disk-space estimate with its warning; false when the user declined.
    virtual bool confirmDiskSpace() { return true; }
    // The time and disk-space estimates over the rows from rowsDone on.
    virtual void updateEstimates(std::size_t /*rowsDone*/, int /*phase*/) {}
    // Stops the disc when the CD player plays it.
    virtual void stopDiscPlayback() {}
    virtual void setSpeakersMuted(bool) {}
    // The fades the extraction applies to the next copy.
    virtual void prepareFades(const CopyRange&) {}
    // End of the job with StartPlaying.
    virtual void restoreMainWindow() {}
    virtual void playGrabbedFiles(const std::vector<GrabbedFile>&) {}
    virtual void playSelectedTracksRandomly() {}
    // Before the shut-down: stop whatever plays, write the settings.
    virtual void stopPlayback() {}
    virtual bool saveSettings() { return true; }
};

class GrabNormalizer {
  public:
    virtual ~GrabNormalizer() = default;
    // The advanced normalization description of the "Copying" window.
    virtual std::string description() { return {}; }
    // Normalizes the wave in place and fills the new peak, the averages and the ratios.
    virtual void normalize(const std::string& wavePath, TrackCopyResults& results) = 0;
};

struct GrabEncodeRequest {
    std::size_t row = 0;
    std::string name;  // the name buffer (BuildFileName)
    NamingSources sources;
    std::string wavePath;
    std::int32_t frames = 0;
    std::uint32_t checksum = 0;
};

namespace encoder_start {
inline constexpr int kNotStarted = 0;
inline constexpr int kFinishedAlready = 9;  // an internal codec finished at once
}  // namespace encoder_start

class GrabEncoder {
  public:
    virtual ~GrabEncoder() = default;
    // The extraction hands each batch to the encoder (no wave file between them).
    virtual bool directEncodingActive() { return false; }
    // The extraction did not start because the direct encoder could not start.
    virtual bool directEncodingFailed() { return false; }
    virtual std::string description() { return {}; }
    // 0 or 9: nothing runs and nothing is waited for; anything else: the encoder runs and
    // its completion step (which stores the compressed file) sets encoderDone().
    virtual int startEncoding(const GrabEncodeRequest& request) = 0;
    virtual bool encoderDone() = 0;
    virtual void stopCompletionTimer() {}
};

// Everything the job works with. The references must outlive the job; the pointers may
// be null where a facility is absent.
struct GrabJobParts {
    Settings& settings;
    DiscRecord& disc;
    ReadMethod& readMethod;
    const TextTable& texts;
    FileSystem& fileSystem;
    Clock& clock;
    std::function<void()> pump;  // processes pending window messages
    GrabUi& ui;
    GrabDiscCheck& discCheck;
    std::string programDirectory;  // where copyinfo.txt goes
    GrabJobHooks* hooks = nullptr;
    GrabNormalizer* normalizer = nullptr;
    GrabEncoder* encoder = nullptr;
    GrabCopyFigures* figures = nullptr;
    Screensaver* screensaver = nullptr;
    PowerControl* power = nullptr;
    InstanceChannel* otherCopies = nullptr;  // continuous ripping
};

enum class GrabOutcome {
    NotStarted,   // a start check failed (its message was shown) or the user declined
    Completed,    // every selected track was processed
    Aborted,      // the user aborted all tracks, or the encoder wait was aborted
    Stopped,      // the read could not go on (did not start, drive did not answer)
    DiscChanged,  // another disc (or none) was found before a track
};

// The grab job of "&Grab!" and "&Test". One job at a time; run() returns when it ends.
class GrabJob {
  public:
    explicit GrabJob(GrabJobParts parts);

    GrabOutcome run(GrabMode mode);

    // The continuous-ripping signal of another copy: starts a grab when the disc in the
    // drive is not the one the last job grabbed. True when a job ran.
    bool onContinuousRippingSignal();

    bool running() const { return running_; }
    std::size_t currentRow() const { return currentRow_; }
    std::size_t rowsDone() const { return rowsDone_; }
    std::uint32_t lastJobDisc() const { return lastJobDisc_; }
    const std::vector<GrabbedFile>& grabbedFiles() const { return grabbed_; }

    // Results of the copy driver.
    enum class CopyResult { StopJob = 0, Done = 1, Retry = 2, Refused = 3 };

    // Per-track time waits, exposed for the fixed countdowns.
    static constexpr int kRetrySeconds = 4;
    static constexpr int kSpinUpMs = 3300;
    static constexpr int kEncoderPollMs = 100;

  private:
    GrabOutcome runJob(GrabMode mode);
    bool startChecks();
    bool checkDiscBeforeTrack();
    void showDiscStateMessage(DiscState state);
    CopyResult copyTrack(std::size_t row, GrabMode mode);
    bool spinUp(const CopyRange& range);
    int recordWithHelper(const RecordRequest& request);
    void finishTrack(std::size_t row, GrabMode mode);
    bool waitForEncoder();
    void secondPhase();
    void endJob(GrabOutcome outcome);
    bool retryCountdown(std::string_view key);
    // Waits while pumping; false when `stop` became true first.
    bool waitMs(std::int64_t milliseconds, const std::function<bool()>& stop);
    void refreshRow(std::size_t row);
    void removeTemporaryWave();
    std::string temporaryWavePath() const;
    NamingSources namingSources(const TrackRecord& track, int trackNumber);
    std::string copyingCaption(std::string_view key, const std::string& trackName) const;
    CopyingTrackInfo trackInfo(const CopyRange& range, std::size_t row, GrabMode mode);
    bool abortRequested();
    void restoreScreensaver();

    GrabJobParts p_;
    GrabJobHooks defaultHooks_;
    bool running_ = false;
    std::size_t currentRow_ = 0;
    std::size_t rowsDone_ = 0;
    bool trackAborted_ = false;  // this track was skipped or aborted
    bool jobAborted_ = false;    // abort all, or the encoder wait aborted: the job ends
    bool screensaverHeld_ = false;
    bool muted_ = false;
    std::uint32_t lastJobDisc_ = 0;
    std::vector<GrabbedFile> grabbed_;
};

// A duration of the "Copying" window: "%d:%02d", or "%02d:%02d:%02d" from one hour on.
std::string CopyingTimeText(std::int64_t seconds);

}  // namespace ps

#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/track_tag.h"
#include "encode/encoder_wait_texts.h"
#include "tags/id3_tag.h"

// This header stays free of encode/encoder_command.h on purpose: the grab job's header
// has an EncodeRequest of its own, and the grab's encoder adapter needs both worlds.

namespace ps {

struct Settings;
class FileSystem;
class ProcessLauncher;

// The encode kinds this entry serves: who asked for the file and where its input lies.
namespace encode_kind {
inline constexpr int kRippedTrack = 1;  // temp.wav of the destination directory
inline constexpr int kChosenFile = 2;   // a wave file chosen or dropped by the user
inline constexpr int kRipAllTrack = 3;  // a stored track wave, after "Rip all tracks..."
}  // namespace encode_kind

// One run of the external encoder as its caller describes it.
struct ExternalEncodeOrder {
    int kind = encode_kind::kRippedTrack;
    // Kind 1: unused. Kind 2: the wave file. Kind 3: the track's wave without ".wav".
    std::string path;
    // The own-argument variables: %1 artist, %2 album, %3 track (-1: none), %4 track name.
    std::string artist;
    std::string album;
    int track = -1;
    std::string trackName;
    TrackTagFields tagFields;
    Id3TagSource tagSource;         // useID3Tag and the checksum switches
    std::int64_t trackSectors = 0;  // kind 1: for the encoding speed statistics
    // Kinds 1 and 3: gives the encoded file the track's final name and returns it; empty
    // when the file keeps its name.
    std::function<std::string(const std::string& encodedPath)> moveToTrackFinalName;
    // Kind 1: the wave is kept (DeleteWave off, or the encoder failed): store it.
    std::function<void()> keepWave;
    std::chrono::milliseconds settleDelay{500};
    // The waiting window: kind 1 shows the track's file name without its extension,
    // the other kinds "Processing file %d of (%d)".
    std::string displayName;
    int index = 1;
    int count = 1;
};

// The tag of a run: the track's title, artist and album, and from the settings the year,
// comment and genre and the switches of the tag and its checksum.
void SetOrderTag(ExternalEncodeOrder& order, const Settings& settings, const std::string& title,
                 const std::string& artist, const std::string& album);

// How a run ended, once its completion step ran.
struct ExternalEncodeResult {
    bool aborted = false;
    bool outputFound = false;
    bool tagWritten = false;
    bool movedToFinalName = false;
    bool waveDeleted = false;
    bool exitedNormally = false;  // the encoder ended by itself with exit code 0
    // Where the encoded file lies now (after any move); empty without output.
    std::string outputPath;
};

// One external encoder run at a time: started from the user-interface thread, watched by
// a thread of its own, and completed by poll(), which the GUI calls from a timer and the
// command line from its pump loop.
class ExternalEncodeSession {
  public:
    ExternalEncodeSession(Settings& settings, FileSystem& fileSystem, ProcessLauncher& launcher);
    ~ExternalEncodeSession();  // aborts a running encoder
    ExternalEncodeSession(const ExternalEncodeSession&) = delete;
    ExternalEncodeSession& operator=(const ExternalEncodeSession&) = delete;

    // Builds the command from the settings and starts it, pumping until the start is
    // known. False when it could not start (startError() and commandLine() tell why) or
    // while an earlier run is not complete.
    bool start(const ExternalEncodeOrder& order, const std::function<void()>& pump);

    // The completion step: nothing while the encoder runs or when no run is pending;
    // once it has ended, tags the output and gives it its name. True when the pending run
    // is complete (now or earlier).
    bool poll();
    // A run was started and its completion has not run yet.
    bool pending() const;
    // Kills the running encoder; the next poll() completes the run as aborted. With
    // `keepWave` false the aborted run does not store the wave (its caller removes it).
    void abort(bool keepWave = true);
    // Aborts and completes at once (waits for the encoder to end).
    void abortAndComplete(bool keepWave = true);

    const std::optional<ExternalEncodeResult>& result() const;
    std::string startError() const;
    // The argument vector of the last run, and the same joined with blanks.
    const std::vector<std::string>& arguments() const;
    std::string commandLine() const;
    std::string workingDirectory() const;
    // The waiting window's lines for the last run.
    EncoderWaitTexts waitTexts() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The result of the chosen-file entry: 0 nothing started, 1 the encoder runs.
namespace encode_start {
inline constexpr int kNotStarted = 0;
inline constexpr int kStarted = 1;
}  // namespace encode_start

// A message for the user: a text key and the texts for its "%s" in order; no key, no
// message. The title key may be empty (the application title).
struct EncodeMessage {
    std::string key;
    std::string titleKey;
    std::vector<std::string> arguments;
};

struct ChosenFileRequest {
    std::string path;  // the wave file
    int index = 1;     // "Processing file %d of (%d)"
    int count = 1;
    std::string editorTitle;  // the ID3 editor's title; used for a single file
    std::string artist;       // the main window's fields
    std::string album;
};

// Starts the external encoder on a chosen wave file (kind 2). The completion runs in
// session.poll(). Refuses with a message when no encoder is configured, when the internal
// codec is chosen (it is not handled here), when the input cannot be opened or is not a
// supported wave file, and when the encoder cannot be started.
int StartEncodeChosenFile(ExternalEncodeSession& session, const Settings& settings,
                          const ChosenFileRequest& request, const std::function<void()>& pump,
                          EncodeMessage& message);

struct EncodeFileOutcome {
    int started = encode_start::kNotStarted;
    EncodeMessage message;
    std::optional<ExternalEncodeResult> result;  // set once the run completed
    bool succeeded() const {
        return result.has_value() && !result->aborted && result->outputFound &&
               result->exitedNormally;
    }
};

// The same, waiting for the completion: `pump` runs between the polls, every
// `pollInterval`; `stop` (may be empty) aborts the encoder.
EncodeFileOutcome EncodeWaveFile(
    ExternalEncodeSession& session, const Settings& settings, const ChosenFileRequest& request,
    const std::function<void()>& pump, const std::function<bool()>& stop = {},
    std::chrono::milliseconds pollInterval = std::chrono::milliseconds(100));

}  // namespace ps

#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "audio/track_tag.h"
#include "encode/encoder_command.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "tags/id3_tag.h"

namespace ps {

struct Settings;

// Watches one run of the external encoder from a thread of its own, so that the user
// interface keeps running. The user-interface thread polls the start result and the
// running flag; abort ends the wait at once.
class EncoderWatcher {
  public:
    explicit EncoderWatcher(ProcessLauncher& launcher);
    ~EncoderWatcher();  // aborts a running encoder and waits for the thread
    EncoderWatcher(const EncoderWatcher&) = delete;
    EncoderWatcher& operator=(const EncoderWatcher&) = delete;

    // Starts the watcher thread, which starts the encoder. False (nothing started) while
    // an earlier run is still going.
    bool start(const ProcessSpec& command);

    int startResult() const { return startResult_.load(); }  // -1 starting, 1 started, 0 failed
    bool running() const { return running_.load(); }
    // Ends the watcher's wait and kills the encoder with everything it started: its
    // output would be incomplete, and it must not write on while the file is moved.
    void abort();
    bool aborted() const { return aborted_.load(); }

    // After the run: why the start failed, how the encoder ended, when it started.
    std::string startError() const;
    ProcessStatus exitStatus() const;
    std::chrono::steady_clock::time_point startTime() const;

  private:
    void run(ProcessSpec command);
    void joinThread();

    ProcessLauncher& launcher_;
    std::thread thread_;
    std::atomic<int> startResult_{0};
    std::atomic<bool> running_{false};
    std::atomic<bool> aborted_{false};
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool abortRequested_ = false;
    std::string startError_;
    ProcessStatus exitStatus_;
    std::chrono::steady_clock::time_point startTime_;
};

// The title of the tag for a file chosen by the user: the editor's title for a single
// file when it has one, else the file name without directory and, when it is longer than
// three characters, without its last four.
std::string ChosenFileTagTitle(const std::string& path, int fileCount,
                               const std::string& editorTitle);

enum class EncoderInputCheck { Ok, CouldNotOpen, NotValid };
// Kinds 2 and 4 check their input before starting: it must open and be a wave file the
// reader accepts (any of its formats, not only the CD format).
EncoderInputCheck CheckEncoderInput(const std::string& path);

enum class EncodeStart { NotStarted = 0, Started = 1 };

// Starts the encoder for a job: removes a leftover temp.EXT (it would pass as this run's
// output), notes the state of the file beside the input, starts the watcher and pumps
// until the start result is known. A failed start leaves its reason in
// `watcher.startError()` for the message "Could not start:\n%s".
EncodeStart StartExternalEncode(EncoderWatcher& watcher, EncoderJob& job,
                                const std::function<void()>& pump);

// What the completion needs beside the job.
struct EncodeCompletionContext {
    EncodeCompletionContext(Settings& settings, FileSystem& fileSystem,
                            const TrackTagFields& tagFields)
        : settings(settings), fileSystem(fileSystem), tagFields(tagFields) {}

    Settings& settings;  // read; the encoding speed statistics are updated
    FileSystem& fileSystem;
    const TrackTagFields& tagFields;
    Id3TagSource tagSource;         // useID3Tag, cdRip, checksum options; the rest is set here
    std::int64_t trackSectors = 0;  // kind 1: the track's length, for the statistics
    // Kinds 1 and 3: moves the encoded file to the track's final name (numbered names
    // when it is taken); false when it keeps its name.
    std::function<bool(const std::string& encodedPath)> moveToTrackFinalName;
    // Kind 1: moves temp.wav to the track's final wave name.
    std::function<void()> keepWave;
    // The pause before the output is looked at.
    std::chrono::milliseconds settleDelay{500};
};

struct EncodeCompletion {
    bool aborted = false;
    bool outputFound = false;
    // Where the encoded file is now when it kept its temporary name or went to the
    // target name; empty without output and after a move to the final name.
    std::string outputPath;
    bool tagWritten = false;
    bool movedToFinalName = false;
    bool waveDeleted = false;  // kind 1
    bool statisticsUpdated = false;
};

// The completion step, called by the main window's timer on each tick: empty while the
// encoder runs; once it has ended, tags the output, gives it its final name (numbered
// fallbacks), deletes or keeps the wave file of kind 1 and updates the statistics. The
// wave file is deleted only when the encoder ended normally with an output: an aborted
// or failed run keeps it (moved to its final wave name). An aborted run's temp.EXT is
// removed, not tagged. Once it has returned a value the run is complete: the timer stops
// calling it until the next successful start.
std::optional<EncodeCompletion> FinishExternalEncode(EncoderWatcher& watcher, const EncoderJob& job,
                                                     EncodeCompletionContext& context);

}  // namespace ps

#pragma once

#include <functional>
#include <memory>
#include <string>

#include "encode/encode_file.h"
#include "grab/grab_job.h"

namespace ps {

// The grab job's encoder over the external encoder: each ripped track (or, with "Rip all
// tracks before encoding", each stored wave in the second phase) is handed to the
// encoder; the completion tags the output, stores it under the track's final name and
// deletes or keeps the wave. The completion runs in completionTick(), which the GUI calls
// from its timer; encoderDone() runs it too, so the job's own pump loop is enough on the
// command line.
class GrabEncoderAdapter final : public GrabEncoder {
  public:
    GrabEncoderAdapter(Settings& settings, DiscRecord& disc, FileSystem& fileSystem,
                       ProcessLauncher& launcher, const TextTable& texts);

    // The window the job shows its messages in and the pump of the start wait; set per
    // job (both may be left unset).
    void attach(GrabUi* ui, std::function<void()> pump);

    std::string description() override;
    // 1 when the encoder runs, 0 when it did not start (the message was shown). Kind 1
    // for a track just ripped (the request's wave is temp.wav), kind 3 in the second
    // phase of RipAllTracksBeforeEncoding. A ripped track whose encoder did not start
    // keeps its wave under the final wave name even with DeleteWave on.
    int startEncoding(const GrabEncodeRequest& request) override;
    bool encoderDone() override;
    // The job's wait is over. A run still going was aborted by the user: the encoder is
    // killed and its output dropped, and the wave is left for the job to remove.
    void stopCompletionTimer() override;

    // The completion step; true once the last run is complete.
    bool completionTick();
    // The completion timer should run (a run is pending and the job has not stopped it).
    bool completionTimerActive() const { return timerActive_; }

    ExternalEncodeSession& session() { return session_; }
    // The settle pause before the output is looked at (tests shorten it).
    void setSettleDelay(std::chrono::milliseconds delay) { settleDelay_ = delay; }

  private:
    int notStarted(const GrabEncodeRequest& request);

    Settings& settings_;
    DiscRecord& disc_;
    FileSystem& fileSystem_;
    const TextTable& texts_;
    ExternalEncodeSession session_;
    GrabUi* ui_ = nullptr;
    std::function<void()> pump_;
    bool timerActive_ = false;
    std::chrono::milliseconds settleDelay_{500};
};

}  // namespace ps

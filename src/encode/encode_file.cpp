#include "encode/encode_file.h"

#include <map>
#include <thread>

#include "app/settings.h"
#include "encode/encoder_command.h"
#include "encode/external_encoder.h"
#include "platform/file_system.h"

namespace ps {
namespace {

// Notes every rename the completion makes, so that the caller learns where the encoded
// file went even when the final name came from the wave's track tag block.
class MoveRecorder final : public FileSystem {
  public:
    explicit MoveRecorder(FileSystem& inner) : inner_(inner) {}
    MoveResult moveWithoutReplace(const std::string& from, const std::string& to) override {
        const MoveResult result = inner_.moveWithoutReplace(from, to);
        if (result == MoveResult::Moved) {
            moves_[from] = to;
        }
        return result;
    }
    bool ensureDirectory(const std::string& path) override { return inner_.ensureDirectory(path); }

    void clear() { moves_.clear(); }
    // Where `path` ended up; empty when it was not moved.
    std::string follow(std::string path) const {
        bool moved = false;
        for (std::size_t guard = 0; guard <= moves_.size(); ++guard) {
            const auto next = moves_.find(path);
            if (next == moves_.end()) {
                break;
            }
            path = next->second;
            moved = true;
        }
        return moved ? path : std::string();
    }

  private:
    FileSystem& inner_;
    std::map<std::string, std::string> moves_;
};

EncoderJob BuildJob(const Settings& settings, const ExternalEncodeOrder& order) {
    EncodeRequest request{
        static_cast<EncodeKind>(order.kind), order.path,
        OwnArgumentValues{order.artist, order.album, order.track, order.trackName}};
    return BuildEncoderJob(settings, request);
}

}  // namespace

struct ExternalEncodeSession::Impl {
    Impl(Settings& settings, FileSystem& fileSystem, ProcessLauncher& launcher)
        : settings(settings), recorder(fileSystem), watcher(launcher) {}

    Settings& settings;
    MoveRecorder recorder;
    EncoderWatcher watcher;
    EncoderJob job;
    ExternalEncodeOrder order;
    std::string trackFinalPath;  // what moveToTrackFinalName gave
    bool pending = false;
    bool keepWaveOnAbort = true;
    std::optional<ExternalEncodeResult> result;

    void complete();
};

void ExternalEncodeSession::Impl::complete() {
    EncodeCompletionContext context(settings, recorder, order.tagFields);
    context.tagSource = order.tagSource;
    context.trackSectors = order.trackSectors;
    context.settleDelay = order.settleDelay;
    if (order.moveToTrackFinalName) {
        context.moveToTrackFinalName = [this](const std::string& encoded) {
            trackFinalPath = order.moveToTrackFinalName(encoded);
            return !trackFinalPath.empty();
        };
    }
    if (order.keepWave && (keepWaveOnAbort || !watcher.aborted())) {
        context.keepWave = order.keepWave;
    }
    recorder.clear();
    trackFinalPath.clear();
    const std::optional<EncodeCompletion> done = FinishExternalEncode(watcher, job, context);
    if (!done) {
        return;
    }
    ExternalEncodeResult out;
    out.aborted = done->aborted;
    out.outputFound = done->outputFound;
    out.tagWritten = done->tagWritten;
    out.movedToFinalName = done->movedToFinalName;
    out.waveDeleted = done->waveDeleted;
    const ProcessStatus status = watcher.exitStatus();
    out.exitedNormally =
        !done->aborted && status.state == ProcessStatus::State::Exited && status.code == 0;
    if (!trackFinalPath.empty()) {
        out.outputPath = trackFinalPath;
    } else if (!done->outputPath.empty()) {
        out.outputPath = done->outputPath;
    } else if (done->outputFound) {
        for (const std::string& candidate : {job.outputPath, job.besideInputPath}) {
            const std::string moved = recorder.follow(candidate);
            if (!moved.empty()) {
                out.outputPath = moved;
                break;
            }
        }
    }
    result = out;
    pending = false;
}

ExternalEncodeSession::ExternalEncodeSession(Settings& settings, FileSystem& fileSystem,
                                             ProcessLauncher& launcher)
    : impl_(std::make_unique<Impl>(settings, fileSystem, launcher)) {}

ExternalEncodeSession::~ExternalEncodeSession() {
    impl_->watcher.abort();
}

bool ExternalEncodeSession::start(const ExternalEncodeOrder& order,
                                  const std::function<void()>& pump) {
    if (impl_->pending) {
        return false;
    }
    impl_->order = order;
    impl_->job = BuildJob(impl_->settings, order);
    impl_->result.reset();
    impl_->keepWaveOnAbort = true;
    if (StartExternalEncode(impl_->watcher, impl_->job, pump) != EncodeStart::Started) {
        return false;
    }
    impl_->pending = true;
    return true;
}

bool ExternalEncodeSession::poll() {
    if (impl_->pending && !impl_->watcher.running()) {
        impl_->complete();
    }
    return !impl_->pending && impl_->result.has_value();
}

bool ExternalEncodeSession::pending() const {
    return impl_->pending;
}

void ExternalEncodeSession::abort(bool keepWave) {
    if (!impl_->pending) {
        return;
    }
    impl_->keepWaveOnAbort = keepWave;
    impl_->watcher.abort();
}

void ExternalEncodeSession::abortAndComplete(bool keepWave) {
    if (!impl_->pending) {
        return;
    }
    abort(keepWave);
    while (impl_->watcher.running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    impl_->complete();
}

const std::optional<ExternalEncodeResult>& ExternalEncodeSession::result() const {
    return impl_->result;
}

std::string ExternalEncodeSession::startError() const {
    return impl_->watcher.startError();
}

const std::vector<std::string>& ExternalEncodeSession::arguments() const {
    return impl_->job.process.arguments;
}

std::string ExternalEncodeSession::commandLine() const {
    return JoinArguments(impl_->job.process.arguments);
}

std::string ExternalEncodeSession::workingDirectory() const {
    return impl_->job.process.workingDirectory;
}

EncoderWaitTexts ExternalEncodeSession::waitTexts() const {
    const ExternalEncodeOrder& order = impl_->order;
    const EncoderJob& job = impl_->job;
    EncoderWaitTexts texts;
    if (order.kind == encode_kind::kRippedTrack) {
        texts.processing = "Processing file";
        texts.originalName = "Original filename: " + order.displayName + ".wav";
        texts.newName = "New filename: " + order.displayName + "." + job.extension;
    } else {
        texts.processing = "Processing file " + std::to_string(order.index) + " of (" +
                           std::to_string(order.count) + ")";
        texts.originalName = "Original filename: " + job.inputPath;
        texts.newName = "New filename: " + job.targetPath;
    }
    const EncoderOptionLabels labels = DescribeEncoderOptions(
        impl_->settings,
        OwnArgumentValues{order.artist, order.album, order.track, order.trackName});
    const auto labelled = [](const char* caption, const std::string& value, const char* unit = "") {
        return value.empty() ? std::string(caption) : std::string(caption) + " " + value + unit;
    };
    texts.bitrate = labelled("Bitrate:", labels.bitrate, " bps");
    texts.highQuality = labelled("High quality:", labels.highQuality);
    texts.crc = labelled("CRC:", labels.crc);
    texts.ownArguments = labelled("Own arguments:", labels.ownArguments);
    return texts;
}

void SetOrderTag(ExternalEncodeOrder& order, const Settings& settings, const std::string& title,
                 const std::string& artist, const std::string& album) {
    TagFields fields;
    LoadTagFieldsFromSettings(fields, settings);
    order.tagFields = fields.track;
    order.tagFields.title = title;
    order.tagFields.artist = artist;
    order.tagFields.album = album;
    order.tagSource.useID3Tag = settings.UseID3Tag;
    order.tagSource.appendChecksum = settings.ID3AppendChecksum;
    order.tagSource.noChecksum = settings.NoChecksum;
}

int StartEncodeChosenFile(ExternalEncodeSession& session, const Settings& settings,
                          const ChosenFileRequest& request, const std::function<void()>& pump,
                          EncodeMessage& message) {
    message = {};
    if (settings.InternalCodec || settings.L3encFilename.empty()) {
        message.key = "NoCodec3Msg";
        return encode_start::kNotStarted;
    }
    switch (CheckEncoderInput(request.path)) {
        case EncoderInputCheck::CouldNotOpen:
            message = {"CouldNotOpen", "ErrorTitle", {request.path}};
            return encode_start::kNotStarted;
        case EncoderInputCheck::NotValid:
            message = {"NotValid3Wav", "InvalidNorm", {request.path}};
            return encode_start::kNotStarted;
        case EncoderInputCheck::Ok:
            break;
    }
    ExternalEncodeOrder order;
    order.kind = encode_kind::kChosenFile;
    order.path = request.path;
    order.artist = request.artist;
    order.album = request.album;
    SetOrderTag(order, settings,
                ChosenFileTagTitle(request.path, request.count, request.editorTitle),
                request.artist, request.album);
    order.index = request.index;
    order.count = request.count;
    if (!session.start(order, pump)) {
        message = {"CouldNotStart", "", {session.commandLine()}};
        if (!session.startError().empty()) {
            message.arguments.front() += "\n" + session.startError();
        }
        return encode_start::kNotStarted;
    }
    return encode_start::kStarted;
}

EncodeFileOutcome EncodeWaveFile(ExternalEncodeSession& session, const Settings& settings,
                                 const ChosenFileRequest& request,
                                 const std::function<void()>& pump,
                                 const std::function<bool()>& stop,
                                 std::chrono::milliseconds pollInterval) {
    EncodeFileOutcome outcome;
    outcome.started = StartEncodeChosenFile(session, settings, request, pump, outcome.message);
    if (outcome.started != encode_start::kStarted) {
        return outcome;
    }
    while (!session.poll()) {
        if (pump) {
            pump();
        }
        if (stop && stop()) {
            session.abortAndComplete();
            break;
        }
        std::this_thread::sleep_for(pollInterval);
    }
    outcome.result = session.result();
    return outcome;
}

}  // namespace ps

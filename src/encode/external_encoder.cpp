#include "encode/external_encoder.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/settings.h"
#include "audio/wave_file.h"

namespace ps {

namespace {

namespace fs = std::filesystem;

bool IsFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

std::int64_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

// The encoder's output of this run beside the input: new, or written since the start.
bool FreshBesideInput(const EncoderJob& job) {
    if (job.besideInputPath.empty() || !IsFile(job.besideInputPath)) {
        return false;
    }
    if (!job.besideInputExisted) {
        return true;
    }
    std::error_code error;
    const auto time = fs::last_write_time(job.besideInputPath, error);
    return !error && time != job.besideInputTime;
}

void RemoveFile(const std::string& path) {
    std::error_code error;
    fs::remove(path, error);
}

// Seconds of encoding per second of audio, folded into the running average.
bool UpdateSpeedStatistics(Settings& settings, const EncoderJob& job, double seconds,
                           std::int64_t sectors) {
    if (settings.LockTimeCalculation || sectors <= 0) {
        return false;
    }
    if (settings.L3encHQBit) {
        seconds *= 0.62111801242236021076;  // high quality counted as normal quality
    }
    const double perSecond = seconds * 75.0 / static_cast<double>(sectors);
    if (settings.UseOwnL3encArguments) {
        settings.EncodingSpeed[11] = (settings.EncodingSpeed[11] + perSecond) / 2;
        return true;
    }
    // A truncated output would make the encoder look faster than it is.
    const double expected = static_cast<double>(sectors) * 0.013333 * settings.L3encBitrate / 8.0;
    if (static_cast<double>(FileSize(job.outputPath)) < expected) {
        return false;
    }
    const auto index = static_cast<std::size_t>(settings.bitrateIndex());
    settings.EncodingSpeed[index] = (settings.EncodingSpeed[index] + perSecond) / 2;
    return true;
}

bool AppendTag(const std::string& path, const EncodeCompletionContext& context,
               const Id3TagSource& source, std::string& finalName) {
    std::FILE* file = source.useID3Tag ? std::fopen(path.c_str(), "ab") : nullptr;
    const Id3WriteResult result = WriteId3Tag(file, context.tagFields, source);
    if (file != nullptr) {
        std::fclose(file);
    }
    finalName = result.finalName;
    return result.written;
}

// Renames to the target, then to "name-1.EXT" ... "name-49.EXT"; never over a file.
bool MoveToTarget(FileSystem& fileSystem, const EncoderJob& job, const std::string& from,
                  std::string& movedTo) {
    MoveResult result = fileSystem.moveWithoutReplace(from, job.targetPath);
    if (result == MoveResult::Moved) {
        movedTo = job.targetPath;
        return true;
    }
    std::string stem = job.targetPath.substr(0, job.targetPath.size() - job.extension.size());
    if (!stem.empty() && stem.back() == '.') {
        stem.pop_back();
    }
    for (int i = 1; i <= 49 && result == MoveResult::TargetExists; ++i) {
        const std::string numbered = stem + "-" + std::to_string(i) + "." + job.extension;
        result = fileSystem.moveWithoutReplace(from, numbered);
        if (result == MoveResult::Moved) {
            movedTo = numbered;
            return true;
        }
    }
    return false;
}

}  // namespace

EncoderWatcher::EncoderWatcher(ProcessLauncher& launcher) : launcher_(launcher) {}

EncoderWatcher::~EncoderWatcher() {
    abort();
    joinThread();
}

bool EncoderWatcher::start(const ProcessSpec& command) {
    if (running_.load()) {
        return false;
    }
    joinThread();
    {
        std::lock_guard lock(mutex_);
        abortRequested_ = false;
        startError_.clear();
        exitStatus_ = {};
        startTime_ = std::chrono::steady_clock::now();
    }
    aborted_ = false;
    startResult_ = -1;
    running_ = true;
    thread_ = std::thread(&EncoderWatcher::run, this, command);
    return true;
}

void EncoderWatcher::run(ProcessSpec command) {
    std::string error;
    std::unique_ptr<Process> process = launcher_.spawn(command, error);
    if (!process) {
        {
            std::lock_guard lock(mutex_);
            startError_ = error;
        }
        running_ = false;
        startResult_ = 0;
        return;
    }
    startResult_ = 1;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (process->wait(std::chrono::milliseconds(0))) {
            break;
        }
        if (wake_.wait_for(lock, std::chrono::milliseconds(10),
                           [this] { return abortRequested_; })) {
            process->kill();
            lock.unlock();
            process->wait(std::chrono::seconds(5));
            lock.lock();
            aborted_ = true;
            break;
        }
    }
    exitStatus_ = process->status();
    running_ = false;
}

void EncoderWatcher::abort() {
    {
        std::lock_guard lock(mutex_);
        abortRequested_ = true;
    }
    wake_.notify_all();
}

void EncoderWatcher::joinThread() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::string EncoderWatcher::startError() const {
    std::lock_guard lock(mutex_);
    return startError_;
}

ProcessStatus EncoderWatcher::exitStatus() const {
    std::lock_guard lock(mutex_);
    return exitStatus_;
}

std::chrono::steady_clock::time_point EncoderWatcher::startTime() const {
    std::lock_guard lock(mutex_);
    return startTime_;
}

std::string ChosenFileTagTitle(const std::string& path, int fileCount,
                               const std::string& editorTitle) {
    if (fileCount == 1 && !editorTitle.empty()) {
        return editorTitle;
    }
    const auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > 3) {
        name.resize(name.size() - 4);
    }
    return name;
}

EncoderInputCheck CheckEncoderInput(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return EncoderInputCheck::CouldNotOpen;
    }
    WaveFormatInfo info;
    const bool valid = ReadWaveFormat(file, info);
    std::fclose(file);
    return valid ? EncoderInputCheck::Ok : EncoderInputCheck::NotValid;
}

EncodeStart StartExternalEncode(EncoderWatcher& watcher, EncoderJob& job,
                                const std::function<void()>& pump) {
    if (job.outputPath != job.inputPath) {  // an own extension "wav" makes them one
        RemoveFile(job.outputPath);
    }
    job.besideInputExisted = IsFile(job.besideInputPath);
    if (job.besideInputExisted) {
        std::error_code error;
        job.besideInputTime = fs::last_write_time(job.besideInputPath, error);
    }
    if (!watcher.start(job.process)) {
        return EncodeStart::NotStarted;
    }
    while (watcher.startResult() == -1) {
        if (pump) {
            pump();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return watcher.startResult() == 1 ? EncodeStart::Started : EncodeStart::NotStarted;
}

std::optional<EncodeCompletion> FinishExternalEncode(EncoderWatcher& watcher, const EncoderJob& job,
                                                     EncodeCompletionContext& context) {
    if (watcher.running()) {
        return std::nullopt;
    }
    if (context.settleDelay.count() > 0) {
        std::this_thread::sleep_for(context.settleDelay);
    }
    EncodeCompletion done;
    done.aborted = watcher.aborted();
    const ProcessStatus status = watcher.exitStatus();
    const bool endedNormally =
        !done.aborted && status.state == ProcessStatus::State::Exited && status.code == 0;

    if (done.aborted) {
        RemoveFile(job.outputPath);  // incomplete
    }

    Id3TagSource source = context.tagSource;
    source.inputWavePath = job.inputPath;
    source.fromRunningRip = job.kind != EncodeKind::ChosenFile;

    if (job.kind == EncodeKind::RippedTrack) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - watcher.startTime())
                .count();
        if (!done.aborted && IsFile(job.outputPath)) {
            done.outputFound = true;
            done.outputPath = job.outputPath;
            done.statisticsUpdated =
                UpdateSpeedStatistics(context.settings, job, seconds, context.trackSectors);
            std::string unusedFinalName;
            done.tagWritten = AppendTag(job.outputPath, context, source, unusedFinalName);
            if (context.moveToTrackFinalName && context.moveToTrackFinalName(job.outputPath)) {
                done.movedToFinalName = true;
                done.outputPath.clear();
            }
        }
        if (context.settings.DeleteWave && done.outputFound && endedNormally) {
            RemoveFile(job.inputPath);
            done.waveDeleted = true;
        } else if (context.keepWave) {
            context.keepWave();
        }
        return done;
    }

    if (done.aborted) {
        return done;
    }
    std::string output;
    if (IsFile(job.outputPath)) {
        output = job.outputPath;
    } else if (FreshBesideInput(job)) {
        output = job.besideInputPath;
    } else {
        return done;
    }
    done.outputFound = true;
    done.outputPath = output;
    std::string finalName;
    done.tagWritten = AppendTag(output, context, source, finalName);

    FinalNameOptions options;
    options.destinationDirectory = context.settings.DestinationDirectory;
    options.useOwnExtension = context.settings.UseOwnExtension;
    options.ownExtension = context.settings.OwnExtension;
    if (MoveToFinalName(context.fileSystem, OutputKind::Mp3, output, finalName, options)) {
        done.movedToFinalName = true;
        done.outputPath.clear();
        return done;
    }
    if (job.kind == EncodeKind::RipAllTrack) {
        if (context.moveToTrackFinalName && context.moveToTrackFinalName(output)) {
            done.movedToFinalName = true;
            done.outputPath.clear();
        }
        return done;
    }
    std::string movedTo;
    if (MoveToTarget(context.fileSystem, job, output, movedTo)) {
        done.movedToFinalName = true;
        done.outputPath = movedTo;
    }
    return done;
}

}  // namespace ps

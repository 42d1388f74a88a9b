#include "encode/grab_encoder_adapter.h"

#include "app/settings.h"
#include "encode/encoder_command.h"
#include "grab/output_store.h"
#include "platform/file_system.h"

namespace ps {
namespace {

// The tag title is the file-name part of the track's title ("Artist\Song" gives "Song").
std::string FileNamePart(const std::string& title) {
    const auto slash = title.rfind('\\');
    return slash == std::string::npos ? title : title.substr(slash + 1);
}

bool EndsWithWav(const std::string& path) {
    return path.size() >= 4 && path.compare(path.size() - 4, 4, ".wav") == 0;
}

}  // namespace

GrabEncoderAdapter::GrabEncoderAdapter(Settings& settings, DiscRecord& disc, FileSystem& fileSystem,
                                       ProcessLauncher& launcher, const TextTable& texts)
    : settings_(settings),
      disc_(disc),
      fileSystem_(fileSystem),
      texts_(texts),
      session_(settings, fileSystem, launcher) {}

void GrabEncoderAdapter::attach(GrabUi* ui, std::function<void()> pump) {
    ui_ = ui;
    pump_ = std::move(pump);
}

std::string GrabEncoderAdapter::description() {
    return FileNameOfPath(settings_.L3encFilename);
}

// With DeleteWave on, the job deletes the wave of a track whose encoder did not start;
// it would then be lost with nothing encoded, so it goes to its final wave name instead.
int GrabEncoderAdapter::notStarted(const GrabEncodeRequest& request) {
    if (settings_.DeleteWave && !settings_.RipAllTracksBeforeEncoding &&
        request.row < disc_.rows.size()) {
        const StoreResult stored = StoreWave(fileSystem_, settings_, request.sources, request.name);
        disc_.trackAtRow(request.row).results.waveStoreCode = stored.code;
        disc_.trackAtRow(request.row).results.wavePath = stored.path;
    }
    return encoder_start::kNotStarted;
}

int GrabEncoderAdapter::startEncoding(const GrabEncodeRequest& request) {
    // The internal codecs are another encoder's business; nothing runs here for them.
    if (settings_.InternalCodec || settings_.L3encFilename.empty() ||
        request.row >= disc_.rows.size()) {
        return notStarted(request);
    }
    const bool secondPhase = settings_.RipAllTracksBeforeEncoding;
    const std::size_t row = request.row;
    const NamingSources sources = request.sources;
    const std::string name = request.name;

    ExternalEncodeOrder order;
    order.kind = secondPhase ? encode_kind::kRipAllTrack : encode_kind::kRippedTrack;
    if (secondPhase) {
        order.path = EndsWithWav(request.wavePath)
                         ? request.wavePath.substr(0, request.wavePath.size() - 4)
                         : request.wavePath;
    }
    order.artist = sources.artist;
    order.album = sources.album;
    order.track = sources.trackNumber;
    order.trackName = sources.trackName;
    SetOrderTag(order, settings_, FileNamePart(sources.trackName), sources.artist, sources.album);
    order.tagSource.cdRip = true;
    order.tagSource.checksum = request.checksum;
    order.trackSectors = request.frames;
    order.settleDelay = settleDelay_;
    order.displayName = name;
    order.moveToTrackFinalName = [this, row, sources, name](const std::string& encoded) {
        // StoreCompressed takes the encoder's temporary file; an encoder that wrote beside
        // its input is brought to that name first.
        const std::string temporary =
            DestinationPath(settings_, CompressedOutputFor(settings_).temporaryFile);
        if (FileNameOfPath(encoded) != FileNameOfPath(temporary) &&
            fileSystem_.moveWithoutReplace(encoded, temporary) != MoveResult::Moved) {
            return std::string();
        }
        const StoreResult stored = StoreCompressed(fileSystem_, settings_, sources, name);
        if (row < disc_.rows.size()) {
            disc_.trackAtRow(row).results.compressedStoreCode = stored.code;
            disc_.trackAtRow(row).results.compressedPath = stored.path;
        }
        return stored.code == kNotStored ? std::string() : stored.path;
    };
    if (!secondPhase) {
        order.keepWave = [this, row, sources, name] {
            const StoreResult stored = StoreWave(fileSystem_, settings_, sources, name);
            if (row < disc_.rows.size()) {
                disc_.trackAtRow(row).results.waveStoreCode = stored.code;
                disc_.trackAtRow(row).results.wavePath = stored.path;
            }
        };
    }

    if (!session_.start(order, pump_)) {
        if (ui_ != nullptr) {
            std::string command = session_.commandLine();
            if (!session_.startError().empty()) {
                command += "\n" + session_.startError();
            }
            ui_->showMessage(texts_.format("CouldNotStart", command), kApplicationTitle,
                             MessageIcon::Error);
        }
        return notStarted(request);
    }
    timerActive_ = true;
    if (ui_ != nullptr) {
        ui_->setEncoderWaitTexts(session_.waitTexts());
    }
    return 1;
}

bool GrabEncoderAdapter::completionTick() {
    const bool done = session_.poll();
    if (done) {
        timerActive_ = false;
    }
    return done;
}

bool GrabEncoderAdapter::encoderDone() {
    return completionTick();
}

void GrabEncoderAdapter::stopCompletionTimer() {
    timerActive_ = false;
    if (session_.pending()) {
        session_.abortAndComplete(false);
    }
}

}  // namespace ps

#include "cdaccess/aspi_session_backend.h"

namespace ps {

AspiSessionBackend::AspiSessionBackend(Clock& clock, std::unique_ptr<PassThrough> real,
                                       AspiHooks hooks)
    : real_(std::move(real)), set_(clock, std::move(hooks)) {
    loaded_ = set_.open(real_.get(), openError_);
}

AspiSessionBackend::~AspiSessionBackend() {
    if (set_.drive().readModeSet()) {
        set_.drive().restoreReadMode();
    }
}

std::int16_t AspiSessionBackend::StartInterfacing(const std::string& defaultDrive,
                                                  std::string& cdRomType) {
    return static_cast<std::int16_t>(set_.transport().startInterfacing(defaultDrive, cdRomType));
}

int AspiSessionBackend::discoverDrives() {
    return set_.transport().discoverDrives();
}

void AspiSessionBackend::selectDrive(int index) {
    set_.transport().selectDrive(index);
}

int AspiSessionBackend::driveCount() const {
    return static_cast<int>(set_.transport().drives().size());
}

int AspiSessionBackend::selectedDrive() const {
    return set_.transport().selectedDrive();
}

std::string AspiSessionBackend::driveName(int index) const {
    return driveInfo(index).name;
}

AspiDriveInfo AspiSessionBackend::driveInfo(int index) const {
    const auto& drives = set_.transport().drives();
    if (index < 0 || index >= static_cast<int>(drives.size())) {
        return {};
    }
    const auto& drive = drives[static_cast<std::size_t>(index)];
    return {drive.name, drive.node, drive.typeIndex};
}

std::string AspiSessionBackend::managerText() const {
    return set_.transport().managerText();
}

int AspiSessionBackend::GetDiskInfo(DiscTable& table) {
    TocReadOptions options;
    options.sendStartUnit = options_.sendStartUnit;
    options.debug = options_.debug;
    options.debugDirectory = options_.debugDirectory;
    options.cdDriveLetters = set_.driveLetters();
    return set_.drive().readToc(table, options);
}

int AspiSessionBackend::PlayAudio(std::int32_t startSector, std::int32_t sectorCount) {
    return set_.drive().play(startSector, sectorCount) ? 1 : 0;
}

int AspiSessionBackend::StopAudio() {
    return set_.drive().pause() ? 1 : 0;
}

int AspiSessionBackend::ResumeAudio() {
    return set_.drive().resume() ? 1 : 0;
}

std::int32_t AspiSessionBackend::GetHeadLocation() {
    return set_.drive().headPosition();
}

void AspiSessionBackend::loadDisc() {
    set_.drive().load();
}

void AspiSessionBackend::ejectDisc() {
    set_.drive().eject();
}

void AspiSessionBackend::attachExtraction(const TextTable& texts,
                                          std::function<ExtractionSettings()> settingsOf) {
    session_ = std::make_unique<ExtractionSession>(set_.drive(), texts);
    extractionSettings_ = std::move(settingsOf);
}

CopyingWindow* AspiSessionBackend::copyingWindow() {
    return session_ ? &session_->window() : nullptr;
}

ExtractionFigures AspiSessionBackend::lastExtraction() const {
    if (!session_) {
        return {};
    }
    const SynchronisedExtraction& extraction = session_->extraction();
    ExtractionFigures figures;
    figures.speed = static_cast<int>(extraction.averageSpeed() * 100.0 + 0.5);
    figures.lostSynchs = extraction.lostSynchCount();
    figures.speedProblems = extraction.slowProcessingEvents();
    return figures;
}

std::vector<KnownDiscTitles> AspiSessionBackend::knownDiscTitles() {
    std::vector<KnownDiscTitles> known;
    for (CdAudioDevice* device : set_.virtualCdAudioDevices()) {
        auto* virtualDevice = dynamic_cast<VirtualCdAudioDevice*>(device);
        const auto image = virtualDevice != nullptr ? virtualDevice->drive()->disc() : nullptr;
        if (!image || image->artist().empty()) {
            continue;
        }
        KnownDiscTitles titles;
        if (device->open(true) != cd_audio_error::kNone) {
            continue;
        }
        const int identity = device->mediaIdentity(titles.mediaIdentity);
        device->close();
        if (identity != cd_audio_error::kNone || titles.mediaIdentity == 0) {
            continue;
        }
        titles.artist = image->artist();
        titles.album = image->album();
        titles.firstTrack = image->firstTrack();
        titles.lastTrack = image->lastTrack();
        for (const ImageTrack& track : image->tracks()) {
            titles.titles.push_back(track.title);
        }
        known.push_back(std::move(titles));
    }
    return known;
}

int AspiSessionBackend::StartRecord(const RecordRequest& request, const DiscTable& table,
                                    ExtractionStatistics& statistics) {
    if (!session_ || !extractionSettings_) {
        statistics = ExtractionStatistics{};
        return record_result::kNotStarted;
    }
    return session_->extraction().StartRecord(request, table, statistics, extractionSettings_());
}

std::int32_t AspiSessionBackend::GetNextSec() {
    return session_ ? session_->extraction().GetNextSec() : 0;
}

}  // namespace ps

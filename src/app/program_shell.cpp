#include "app/program_shell.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "app/profile_file.h"
#include "app/program_directory.h"
#include "i18n/language_menu.h"

namespace ps {

bool multipleInstancesAllowed(const std::string& settingsPath) {
    ProfileFile file(settingsPath);
    file.setSection(kSettingsSection);
    file.setKey("MultipleInstances");
    std::string value = file.readText("Nix");
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return value == "true";
}

ProgramShell::ProgramShell(std::string programDirectory, ProgramServices services)
    : programDirectory_(std::move(programDirectory)),
      settingsPath_(settingsFilePath(programDirectory_)),
      services_(std::move(services)),
      identityDevice_(services_.cdAudioDevices),
      cdplayer_(CdplayerIni::inProgramDirectory(programDirectory_)) {}

ProgramShell::~ProgramShell() = default;

SettingsEnvironment ProgramShell::settingsEnvironment() const {
    SettingsEnvironment environment;
    environment.programDirectory = programDirectory_;
    environment.defaultDestinationDirectory = services_.defaultDestinationDirectory;
    environment.currentYear = services_.currentYear;
    environment.screenWidth = services_.screenWidth;
    environment.screenHeight = services_.screenHeight;
    environment.canEnterDirectory = services_.canEnterDirectory;
    environment.playerIconCount = services_.playerIconCount;
    return environment;
}

void ProgramShell::loadTexts() {
    ProfileFile file(settingsPath_);
    file.setSection(kSettingsSection);
    file.setKey("Language");
    std::string language = file.readText("Nix");
    if (language == "Nix") {
        language.clear();
    }
    texts.loadTexts(languageDirectories(), language);
}

void ProgramShell::create(const std::vector<std::pair<std::string, std::string>>& overrides,
                          bool markRunning) {
    if (created_) {
        return;
    }
    created_ = true;
    // The entry comes back at a normal exit when StartWhenPCStarts is on, so it is
    // absent for exactly the time the program runs.
    if (services_.autostart != nullptr && markRunning) {
        services_.autostart->unregister();
    }
    disc = DiscRecord{};

    const SettingsEnvironment environment = settingsEnvironment();
    setDefaults(settings, environment);

    readMethod = std::make_unique<ReadMethod>(
        *services_.clock, discTable, statistics,
        services_.createAspi ? services_.createAspi() : nullptr,
        services_.createAnalog ? services_.createAnalog() : nullptr, services_.platformIsNT,
        services_.createHelper ? services_.createHelper : ReadMethod::HelperFactory{});

    const SettingsLoadResult loaded = loadSettings(settings, settingsPath_, environment, overrides);
    previousRunEndedAbnormally = loaded.programWasRunning;
    LoadTagFieldsFromSettings(tagFields, settings);
    if (previousRunEndedAbnormally) {
        // After a crash the drive-speed choice lists every speed, in case probing the
        // drive's speeds was what brought the program down.
        settings.ASPIShowAllSpeeds = true;
    }
    if (markRunning) {
        markProgramRunning(settingsPath_, true);
    }
    readMethod->aspiBackend().setOptions({settings.SendStartUnit, settings.Debug, std::string()});
    // The rip method list of the access-method settings selects its entry from the saved
    // text; its position gives the method number.
    settings.ASPISynchMethod =
        static_cast<std::int16_t>(RipMethodOfSetting(settings.ASPIRipMethod));
    readMethod->aspiBackend().attachExtraction(texts, [this] { return extractionSettings(); });

    AccessSelectionInput input;
    input.accessMode = settings.AccessMode;
    input.analogCdRomDrive = settings.ANALOGCDRomDrive;
    input.mscdexCdRomDrive = settings.MSCDEXCDRomDrive;
    input.framesWanted = settings.FramesWanted;
    input.synchronizationOverlap = settings.SynchronizationOverlap;
    input.continueAfterLostSynch = settings.ContinueAfterLostSynch;
    input.defaultDrive = settings.DefaultDrive;
    input.cdRomType = settings.CD_ROMType;
    input.soundCardPresent = services_.soundCardPresent;
    access = selectAccessMode(*readMethod, input, *services_.driveTypes);
    settings.accessMode = access.mode;
    settings.analogDrive = access.analogDrive;
    settings.mscdexDrive = access.mscdexDrive;
    if (!access.cdRomType.empty()) {
        settings.CD_ROMType = access.cdRomType;
    }

    if (access.mode == access_mode::kMscdex) {
        settings.DirectEncode = false;
    }
    directEncodeActive =
        settings.UseL3enc &&
        (access.mode == access_mode::kAspi || access.mode == access_mode::kAnalog) &&
        settings.InternalCodec && settings.DirectEncode && !settings.RipAllTracksBeforeEncoding;
    discIdentifier =
        std::make_unique<DiscIdentifier>(*readMethod, identityDevice_, volumes_, discIdentity);
    trackSource_ = std::make_unique<ProgramTrackListSource>(*readMethod, discTable, *discIdentifier,
                                                            discIdentity, cdplayer_);
    tracks = std::make_unique<TrackListModel>(disc, settings, texts, *trackSource_, quietUi_,
                                              freeSpace_);
    tracks->setDirectEncodeActive(directEncodeActive);
    discCheck_ = std::make_unique<IdentifierDiscCheck>(*discIdentifier, cddbNumbers.currentDiscId);
    storeKnownDiscTitles();
    normalizer_ = std::make_unique<GrabNormalizerAdapter>(settings, texts, services_.clock);
    normalizer_->setRipPeakSource([this]() -> std::optional<PeakLevels> {
        return readMethod ? RipPeakOf(*readMethod) : std::nullopt;
    });
    if (services_.processLauncher != nullptr && services_.fileSystem != nullptr) {
        encoder_ = std::make_unique<GrabEncoderAdapter>(settings, disc, *services_.fileSystem,
                                                        *services_.processLauncher, texts);
    }
    trackListReady = true;
}

bool ProgramShell::refresh() {
    if (!tracks || !trackListReady) {
        return false;
    }
    const bool listed = tracks->refresh(true);
    cddbNumbers = CddbDiscNumbers{};
    if (listed) {
        cddbNumbers.currentDiscId = computeCddbDiscId(cddbDiscLayout(*readMethod), cddbNumbers);
    }
    return listed;
}

void ProgramShell::storeKnownDiscTitles() {
    if (!settings.StoreInCdplayer_ini) {
        return;
    }
    for (const KnownDiscTitles& known : readMethod->aspiBackend().knownDiscTitles()) {
        const CdplayerTitles stored =
            cdplayer_.readTitles(known.mediaIdentity, {}, {}, defaultTrackNames());
        if (stored.artist.has_value()) {
            continue;  // the user's own entry stays
        }
        CdplayerEntry entry;
        entry.artist = known.artist;
        entry.album = known.album;
        entry.firstTrack = known.firstTrack;
        entry.lastTrack = known.lastTrack;
        for (std::size_t i = 0; i < known.titles.size(); ++i) {
            entry.rows.push_back({known.firstTrack + static_cast<int>(i), known.titles[i]});
        }
        cdplayer_.store(known.mediaIdentity, entry);
    }
}

bool ProgramShell::mediaChanged() {
    if (!readMethod || access.mode == access_mode::kNone || (grabJob_ && grabJob_->running())) {
        return false;
    }
    const int answer = readMethod->GetDiskInfo(1);
    std::uint64_t media = 0;  // no disc
    if (answer == 256 || answer == 768) {
        // The table of contents is fingerprint enough to tell discs apart.
        media = 1469598103934665603ull;
        auto mix = [&media](std::uint64_t value) { media = (media ^ value) * 1099511628211ull; };
        mix(static_cast<std::uint64_t>(discTable.firstTrack));
        mix(static_cast<std::uint64_t>(discTable.lastTrack));
        mix(static_cast<std::uint64_t>(discTable.totalSectors));
        for (int track = discTable.firstTrack;
             track >= 1 && track <= discTable.lastTrack && track <= DiscTable::kMaxTracks;
             ++track) {
            mix(static_cast<std::uint64_t>(
                discTable.tracks[static_cast<std::size_t>(track)].startSector));
        }
    }
    const bool changed = lastMedia_.has_value() && *lastMedia_ != media;
    lastMedia_ = media;
    return changed;
}

bool ProgramShell::chosenFilesAvailable() const {
    return encoder_ && !(grabJob_ && grabJob_->running());
}

ChosenFilesContext ProgramShell::chosenFilesContext(std::function<void()> pump) {
    // The tag takes the artist and album the main window shows.
    tagFields.track.artist = disc.artist;
    tagFields.track.album = disc.album;
    return ChosenFilesContext{settings,  texts,           encoder_->session(),
                              tagFields, services_.clock, std::move(pump)};
}

ChosenFilesReport ProgramShell::normalizeFiles(const std::vector<std::string>& files,
                                               ChosenFilesUi& ui, std::function<void()> pump) {
    if (!chosenFilesAvailable()) {
        return {};
    }
    ChosenFilesContext context = chosenFilesContext(std::move(pump));
    return NormalizeChosenFiles(files, context, ui);
}

ChosenFilesReport ProgramShell::encodeFiles(const std::vector<std::string>& files,
                                            ChosenFilesUi& ui, std::function<void()> pump) {
    if (!chosenFilesAvailable()) {
        return {};
    }
    ChosenFilesContext context = chosenFilesContext(std::move(pump));
    return EncodeChosenFiles(files, context, ui);
}

DropReport ProgramShell::dropFiles(const std::vector<std::string>& paths, ChosenFilesUi& ui,
                                   std::function<void()> pump, std::function<void()> startGrab) {
    if (!chosenFilesAvailable() || !tracks || !trackListReady) {
        return {};
    }
    DropHooks hooks;
    hooks.helperDrive = settings.mscdexDrive;
    hooks.grabbedFiles = &droppedFiles;
    hooks.refreshAndDeselect = [this] {
        refresh();
        tracks->selectNone();
    };
    hooks.selectTrack = [this](int track) { tracks->selectTrack(track); };
    hooks.startGrab = std::move(startGrab);
    ChosenFilesContext context = chosenFilesContext(std::move(pump));
    return HandleDroppedFiles(paths, context, ui, hooks);
}

GrabJobParts ProgramShell::grabParts(GrabUi& ui, std::function<void()> pump) {
    GrabJobParts parts{settings,
                       disc,
                       *readMethod,
                       texts,
                       *services_.fileSystem,
                       *services_.clock,
                       std::move(pump),
                       ui,
                       *discCheck_,
                       programDirectory_};
    normalizer_->attach(&ui, ui.normalizeProgress(), parts.pump);
    if (encoder_) {
        encoder_->attach(&ui, parts.pump);
    }
    parts.normalizer = normalizer_.get();
    parts.encoder = encoder_.get();
    parts.hooks = &grabHooks_;
    parts.figures = &copyFigures_;
    parts.screensaver = services_.screensaver;
    parts.power = services_.power;
    parts.otherCopies = services_.otherCopies;
    return parts;
}

GrabOutcome ProgramShell::grab(GrabMode mode, GrabUi& ui, std::function<void()> pump) {
    if (!tracks || !trackListReady || services_.fileSystem == nullptr) {
        return GrabOutcome::NotStarted;
    }
    if (grabJob_ && grabJob_->running()) {
        return GrabOutcome::NotStarted;
    }
    grabJob_ = std::make_unique<GrabJob>(grabParts(ui, std::move(pump)));
    return grabJob_->run(mode);
}

bool ProgramShell::continuousRippingSignal(GrabUi& ui, std::function<void()> pump) {
    if (!tracks || !trackListReady || services_.fileSystem == nullptr ||
        (grabJob_ && grabJob_->running())) {
        return false;
    }
    if (!grabJob_) {
        grabJob_ = std::make_unique<GrabJob>(grabParts(ui, std::move(pump)));
    }
    return grabJob_->onContinuousRippingSignal();
}

bool ProgramShell::ShellGrabHooks::confirmDiskSpace() {
    return shell_.tracks->updateDiskSpaceEstimate(true);
}

void ProgramShell::ShellGrabHooks::updateEstimates(std::size_t rowsDone, int phase) {
    TimeEstimateJob job;
    job.phase = phase;
    job.rowsDone = rowsDone;
    shell_.tracks->updateTimeEstimate(job);
    shell_.tracks->updateDiskSpaceEstimate(false);
}

void ProgramShell::ShellGrabHooks::prepareFades(const CopyRange& range) {
    shell_.nextFadeIn = range.fadeIn;
    shell_.nextFadeOut = range.fadeOut;
}

bool ProgramShell::ShellGrabHooks::saveSettings() {
    return ps::saveSettings(shell_.settings, shell_.settingsPath_);
}

ExtractionFigures ProgramShell::ShellCopyFigures::lastCopy() {
    return shell_.readMethod->aspiBackend().lastExtraction();
}

ExtractionSettings ProgramShell::extractionSettings() {
    if (!settings.DestinationDirectory.empty()) {
        ensureDirectory(settings.DestinationDirectory);
    }
    ExtractionSettings extraction;
    extraction.synchMethod = settings.ASPISynchMethod;
    extraction.continueAfterLostSynch = settings.ContinueAfterLostSynch;
    extraction.byteOrder = settings.aspiInversedByteOrderCode();
    extraction.sendStartUnit = settings.SendStartUnit;
    extraction.cdSpeed = settings.CDSpeed;
    extraction.destinationDirectory = settings.DestinationDirectory;
    extraction.outputPath = ripOutputPath;
    extraction.fadeIn = nextFadeIn;
    extraction.fadeOut = nextFadeOut;
    extraction.fadeSeconds = settings.FadeTime;
    extraction.logarithmicFade = settings.LogarithmicFade;
    return extraction;
}

std::vector<std::filesystem::path> ProgramShell::languageDirectories() const {
    std::vector<std::filesystem::path> directories{programDirectory_};
    if (!services_.languageDataDirectory.empty()) {
        directories.emplace_back(services_.languageDataDirectory);
    }
    return directories;
}

DefaultTrackNames ProgramShell::defaultTrackNames() const {
    return {std::string(texts.text("DefaultName")), std::string(texts.text("DefaultDataTrack"))};
}

void ProgramShell::changeLanguage(const std::string& language) {
    const DefaultTrackNames old = defaultTrackNames();
    settings.Language = language;
    texts.loadTexts(languageDirectories(), language);
    if (tracks) {
        tracks->textsChanged(old);
    }
}

void ProgramShell::writeVariables() {
    if (!created_ || shutDown_) {
        return;
    }
    shutDown_ = true;
    settings.ProgramRunning = false;
    saveSettings(settings, settingsPath_);

    trackListReady = false;
    if (readMethod) {
        readMethod->Close();
    }
    if (services_.autostart != nullptr && settings.StartWhenPCStarts) {
        services_.autostart->registerProgram(services_.executablePath);
    }
    if (tracks) {
        tracks->shutDown();
    }
}

}  // namespace ps

#include "cdaccess/read_method.h"

#include <cctype>

#include "cdaccess/null_backends.h"

namespace ps {

namespace {

bool equalsUpperCased(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != upper[i]) {
            return false;
        }
    }
    return true;
}

bool isDigitalOrAnalog(int mode) {
    return mode == access_mode::kAspi || mode == access_mode::kAnalog;
}

}  // namespace

int requestedAccessMode(std::string_view accessModeText) {
    if (equalsUpperCased(accessModeText, "MSCDEX")) {
        return access_mode::kMscdex;
    }
    if (equalsUpperCased(accessModeText, "ANALOG")) {
        return access_mode::kAnalog;
    }
    return access_mode::kAspi;
}

std::string_view accessModeSettingText(int mode) {
    switch (mode) {
        case access_mode::kMscdex:
            return "MSCDEX";
        case access_mode::kAnalog:
            return "ANALOG";
        default:
            return "ASPI";
    }
}

ReadMethod::ReadMethod(Clock& clock, DiscTable& discTable, ExtractionStatistics& statistics,
                       std::unique_ptr<AspiBackend> aspi, std::unique_ptr<AnalogBackend> analog,
                       bool platformIsNT, const HelperFactory& createHelper)
    : clock_(clock),
      discTable_(discTable),
      statistics_(statistics),
      aspi_(aspi ? std::move(aspi) : std::make_unique<NullAspiBackend>()),
      analog_(analog ? std::move(analog) : std::make_unique<NullAnalogBackend>()),
      platformIsNT_(platformIsNT) {
    cdDriveLetters.fill(kEndOfDrives);
    aspiLoaded = aspi_->loaded();
    if (!platformIsNT_ && createHelper) {
        helper_ = createHelper();
    }
    helperLoaded = helper_ != nullptr;
}

ReadMethod::~ReadMethod() {
    Close();
}

void ReadMethod::Close() {
    if (HelperBackend* h = helper()) {
        h->StopInterfacing();
    }
    helper_.reset();
    helperLoaded = false;
    aspi_ = std::make_unique<NullAspiBackend>();
    aspiLoaded = false;
}

HelperBackend* ReadMethod::helper() {
    return helperLoaded ? helper_.get() : nullptr;
}

int ReadMethod::cdDriveCount() const {
    int count = 0;
    while (count < static_cast<int>(kDriveListSlots) && cdDriveLetters[count] != kEndOfDrives) {
        ++count;
    }
    return count;
}

bool ReadMethod::hasCdDrive(int driveIndex) const {
    const int count = cdDriveCount();
    for (int i = 0; i < count; ++i) {
        if (cdDriveLetters[i] == driveIndex) {
            return true;
        }
    }
    return false;
}

void ReadMethod::clearCdDrives() {
    cdDriveLetters.fill(kEndOfDrives);
}

bool ReadMethod::addCdDrive(int driveIndex) {
    const int count = cdDriveCount();
    if (driveIndex < 0 || driveIndex >= kEndOfDrives ||
        count >= static_cast<int>(kDriveListSlots)) {
        return false;
    }
    cdDriveLetters[count] = static_cast<std::uint8_t>(driveIndex);
    return true;
}

int ReadMethod::aspiDriveCount() const {
    return aspiLoaded ? aspi_->driveCount() : 0;
}

std::int16_t ReadMethod::CheckMscdex() {
    HelperBackend* h = currentAccessMode == access_mode::kMscdex ? helper() : nullptr;
    return h ? h->CheckMscdex() : 0;
}

std::int16_t ReadMethod::CheckMscdexVersion() {
    HelperBackend* h = currentAccessMode == access_mode::kMscdex ? helper() : nullptr;
    return h ? h->CheckMscdexVersion() : 0;
}

std::int16_t ReadMethod::StartInterfacing(std::int16_t framesWanted,
                                          std::int16_t synchronizationOverlap,
                                          std::int16_t continueAfterLostSynch,
                                          const std::string& defaultDrive, std::string& cdRomType) {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? h->StartInterfacing(framesWanted, synchronizationOverlap, continueAfterLostSynch)
                 : 0;
    }
    if (isDigitalOrAnalog(currentAccessMode)) {
        return aspi_->StartInterfacing(defaultDrive, cdRomType);
    }
    return 0;
}

std::int16_t ReadMethod::StopInterfacing() {
    HelperBackend* h = currentAccessMode == access_mode::kMscdex ? helper() : nullptr;
    return h ? h->StopInterfacing() : 0;
}

template <typename Load, typename Eject>
bool ReadMethod::toggleTray(bool closeFirst, Load load, Eject eject) {
    bool trayWasClosed = true;
    if (closeFirst) {
        const std::int64_t before = clock_.nowMs();
        load();
        trayWasClosed = clock_.nowMs() - before <= eject_timing::kAlreadyClosedMs;
    }
    if (!trayWasClosed) {
        return false;
    }
    eject();
    return true;
}

void ReadMethod::EjectDisc(bool closeFirst) {
    switch (currentAccessMode) {
        case access_mode::kAspi: {
            const std::int64_t now = clock_.nowMs();
            if (lastAspiEjectMs_ && now - *lastAspiEjectMs_ < eject_timing::kAspiGuardMs) {
                return;
            }
            lastAspiEjectMs_ = now;
            const bool ejected = toggleTray(
                closeFirst, [&] { aspi_->loadDisc(); }, [&] { aspi_->ejectDisc(); });
            if (ejected) {
                *lastAspiEjectMs_ -= eject_timing::kAfterEjectMs;
            }
            return;
        }
        case access_mode::kMscdex:
        case access_mode::kAnalog: {
            const int drive = currentAccessMode == access_mode::kMscdex ? mscdexDrive : analogDrive;
            toggleTray(
                closeFirst, [&] { analog_->closeDoor(drive); }, [&] { analog_->openDoor(drive); });
            return;
        }
        default:
            return;
    }
}

int ReadMethod::GetDiskInfo(std::uint8_t flag) {
    switch (currentAccessMode) {
        case access_mode::kMscdex: {
            HelperBackend* h = helper();
            return h ? h->GetDiskInfo() : 0;
        }
        case access_mode::kAspi:
            return aspi_->GetDiskInfo(discTable_);
        case access_mode::kAnalog:
            return analog_->GetDiskInfo(analogDrive, flag, discTable_);
        default:
            return 0;
    }
}

std::int32_t ReadMethod::GetTrackInfo(std::int16_t track) {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? h->GetTrackInfo(track) : 0;
    }
    if (isDigitalOrAnalog(currentAccessMode) && track >= 1 && track <= DiscTable::kMaxTracks) {
        return discTable_.tracks[track].startSector;
    }
    return 0;
}

std::int16_t ReadMethod::GetLowest() {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? h->GetLowest() : 0;
    }
    return isDigitalOrAnalog(currentAccessMode) ? static_cast<std::int16_t>(discTable_.firstTrack)
                                                : 0;
}

std::int16_t ReadMethod::GetHighest() {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? h->GetHighest() : 0;
    }
    return isDigitalOrAnalog(currentAccessMode) ? static_cast<std::int16_t>(discTable_.lastTrack)
                                                : 0;
}

std::int32_t ReadMethod::GetTotalTime() {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? h->GetTotalTime() : 0;
    }
    return isDigitalOrAnalog(currentAccessMode) ? discTable_.totalSectors : 0;
}

std::int16_t ReadMethod::GetLowNorm() {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? h->GetLowNorm() : 0;
    }
    return isDigitalOrAnalog(currentAccessMode) ? statistics_.lowestSample : 0;
}

std::int16_t ReadMethod::GetHighNorm() {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? h->GetHighNorm() : 0;
    }
    return isDigitalOrAnalog(currentAccessMode) ? statistics_.highestSample : 0;
}

int ReadMethod::StopAudio() {
    switch (currentAccessMode) {
        case access_mode::kMscdex: {
            HelperBackend* h = helper();
            return h ? h->StopAudio() : 0;
        }
        case access_mode::kAspi:
            return aspi_->StopAudio();
        case access_mode::kAnalog:
            analog_->StopAudio(analogDrive);
            return 0;
        default:
            return 0;
    }
}

int ReadMethod::ResumeAudio() {
    switch (currentAccessMode) {
        case access_mode::kMscdex: {
            HelperBackend* h = helper();
            return h ? h->ResumeAudio() : 0;
        }
        case access_mode::kAspi:
            return aspi_->ResumeAudio();
        case access_mode::kAnalog:
            return analog_->ResumeAudio(analogDrive);
        default:
            return 0;
    }
}

std::int16_t ReadMethod::FlushBuffer() {
    HelperBackend* h = currentAccessMode == access_mode::kMscdex ? helper() : nullptr;
    return h ? h->FlushBuffer() : 0;
}

std::int16_t ReadMethod::IsPlaying() {
    HelperBackend* h = currentAccessMode == access_mode::kMscdex ? helper() : nullptr;
    return h ? h->IsPlaying() : 0;
}

int ReadMethod::PlayAudio(std::int32_t startSector, std::int32_t sectorCount) {
    switch (currentAccessMode) {
        case access_mode::kMscdex: {
            HelperBackend* h = helper();
            return h ? h->PlayAudio(startSector, sectorCount) : 0;
        }
        case access_mode::kAspi:
            return aspi_->PlayAudio(startSector, sectorCount);
        case access_mode::kAnalog:
            return analog_->PlayAudio(analogDrive, startSector, sectorCount);
        default:
            return 0;
    }
}

std::int32_t ReadMethod::GetHeadLocation() {
    switch (currentAccessMode) {
        case access_mode::kMscdex: {
            HelperBackend* h = helper();
            return h ? h->GetHeadLocation() : 0;
        }
        case access_mode::kAspi:
            return aspi_->GetHeadLocation();
        case access_mode::kAnalog:
            return analog_->GetHeadLocation();
        default:
            return 0;
    }
}

int ReadMethod::StartRecord(const RecordRequest& request) {
    switch (currentAccessMode) {
        case access_mode::kMscdex: {
            HelperBackend* h = helper();
            return h ? h->StartRecord(request.startSector, request.endSector,
                                      request.leadingSilenceLimit, request.trailingSilenceLimit,
                                      request.options, request.checksumOff, request.skipSectors)
                     : record_result::kNotStarted;
        }
        case access_mode::kAspi:
            return aspi_->StartRecord(request, discTable_, statistics_);
        case access_mode::kAnalog:
            return analog_->StartRecord(analogDrive, request, discTable_, statistics_);
        default:
            return record_result::kNotStarted;
    }
}

// The recording sequence below exists only in the helper; whatever the mode, these go to
// the helper when it is loaded.
std::int32_t ReadMethod::ContinueRecord() {
    HelperBackend* h = helper();
    return h ? h->ContinueRecord() : 0;
}

std::int16_t ReadMethod::GetTemporaryHigh() {
    HelperBackend* h = helper();
    return h ? h->GetTemporaryHigh() : 0;
}

std::int16_t ReadMethod::GetTemporaryLow() {
    HelperBackend* h = helper();
    return h ? h->GetTemporaryLow() : 0;
}

void ReadMethod::EndRecord() {
    if (HelperBackend* h = helper()) {
        h->EndRecord();
    }
}

void ReadMethod::QuitRecord() {
    if (HelperBackend* h = helper()) {
        h->QuitRecord();
    }
}

std::int32_t ReadMethod::GetNextSec() {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? h->GetNextSec() : 0;
    }
    return isDigitalOrAnalog(currentAccessMode) ? aspi_->GetNextSec() : 0;
}

std::int16_t ReadMethod::TestChecksum() {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? h->TestChecksum() : 0;
    }
    return isDigitalOrAnalog(currentAccessMode) ? statistics_.checksumStatus : 0;
}

std::uint32_t ReadMethod::GetCheckSum() {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? static_cast<std::uint32_t>(h->GetCheckSum()) : 0;
    }
    return isDigitalOrAnalog(currentAccessMode) ? statistics_.checksum : 0;
}

std::int16_t ReadMethod::GetDrvNumber(std::int16_t firstOrNext) {
    if (currentAccessMode == access_mode::kMscdex) {
        HelperBackend* h = helper();
        return h ? h->GetDrvNumber(firstOrNext) : kEndOfDrives;
    }
    if (isDigitalOrAnalog(currentAccessMode)) {
        if (aspi_->discoverDrives() > 0) {
            aspi_->selectDrive(0);
        }
    }
    // Without a drive list to walk, "no more drives" keeps a caller's loop finite; 0 would
    // name drive A:.
    return kEndOfDrives;
}

void ReadMethod::ChangeDrive(std::int16_t driveIndex) {
    if (currentAccessMode == access_mode::kMscdex) {
        if (HelperBackend* h = helper()) {
            h->ChangeDrive(driveIndex);
        }
    } else if (isDigitalOrAnalog(currentAccessMode)) {
        aspi_->selectDrive(driveIndex);
    }
}

}  // namespace ps

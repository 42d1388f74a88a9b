#include "cdaccess/read_method_selection.h"

#include <algorithm>
#include <vector>

namespace ps {

namespace {

// Runs one call in a given mode and restores the mode the selection had reached.
class ModeScope {
  public:
    ModeScope(ReadMethod& readMethod, int mode)
        : readMethod_(readMethod), saved_(readMethod.currentAccessMode) {
        readMethod_.currentAccessMode = mode;
    }
    ~ModeScope() { readMethod_.currentAccessMode = saved_; }
    ModeScope(const ModeScope&) = delete;
    ModeScope& operator=(const ModeScope&) = delete;

  private:
    ReadMethod& readMethod_;
    int saved_;
};

// ANALOG plays the analog drive. A fallback into ANALOG without a sound card can leave it
// on no CD-ROM drive (none saved, or the key names another drive), and every command
// would then fail, so it takes the platform's first CD-ROM drive.
void settleAnalogDrive(ReadMethod& rm, const std::vector<int>& platformCdDrives) {
    if (rm.currentAccessMode != access_mode::kAnalog || platformCdDrives.empty()) {
        return;
    }
    if (std::find(platformCdDrives.begin(), platformCdDrives.end(), rm.analogDrive) ==
        platformCdDrives.end()) {
        rm.analogDrive = static_cast<std::int16_t>(platformCdDrives.front());
    }
}

}  // namespace

std::optional<int> driveIndexFromSetting(std::string_view text) {
    if (text == "Nix") {
        return std::nullopt;
    }
    if (text.empty()) {
        return -1;
    }
    int letter = static_cast<unsigned char>(text[0]);
    if (letter > 64) {
        letter &= ~0x20;
    }
    const int index = letter - 'A';
    return index >= 0 && index < DriveTypes::kDriveLetters ? index : -1;
}

AccessSelection selectAccessMode(ReadMethod& rm, const AccessSelectionInput& input,
                                 DriveTypes& driveTypes) {
    AccessSelection result;
    result.cdRomType = input.cdRomType;

    rm.currentAccessMode = access_mode::kAspi;
    const int requested = requestedAccessMode(input.accessMode);

    std::int16_t helperStart = 0;
    if (rm.helperLoaded) {
        ModeScope scope(rm, access_mode::kMscdex);
        helperStart = rm.StartInterfacing(input.framesWanted, input.synchronizationOverlap,
                                          input.continueAfterLostSynch ? 1 : 0, input.defaultDrive,
                                          result.cdRomType);
        if (helperStart == 0) {
            rm.helperStartupFailed = true;
            rm.helperLoaded = false;
        }
    }
    result.helperFrames = helperStart;

    std::vector<int> platformCdDrives;
    rm.clearCdDrives();
    for (int drive = 0; drive < DriveTypes::kDriveLetters; ++drive) {
        if (driveTypes.isCdRom(drive)) {
            platformCdDrives.push_back(drive);
            rm.addCdDrive(drive);
        }
    }

    bool analogFound = false;
    if (const auto analog = driveIndexFromSetting(input.analogCdRomDrive)) {
        rm.analogDrive = static_cast<std::int16_t>(*analog);
        analogFound = rm.hasCdDrive(*analog);
    }
    if (!analogFound) {
        if (rm.cdDriveCount() == 0) {
            rm.analogDrive = -1;
        } else if (input.soundCardPresent) {
            rm.analogDrive = rm.cdDriveLetters[0];
        }
    }

    if (rm.aspiLoaded) {
        ModeScope scope(rm, access_mode::kAspi);
        rm.StartInterfacing(input.framesWanted, input.synchronizationOverlap,
                            input.continueAfterLostSynch ? 1 : 0, input.defaultDrive,
                            result.cdRomType);
    }

    int mode = access_mode::kNone;
    if (rm.helperLoaded && helperStart > 0 && requested == access_mode::kMscdex) {
        mode = access_mode::kMscdex;
    }
    if (rm.aspiLoaded && requested == access_mode::kAspi) {
        mode = access_mode::kAspi;
    }
    if (rm.aspiLoaded && !rm.helperLoaded) {
        mode = access_mode::kAspi;
    }
    if (!rm.aspiLoaded && rm.helperLoaded) {
        mode = access_mode::kMscdex;
    }
    if (requested == access_mode::kAnalog && input.soundCardPresent && rm.analogDrive != -1) {
        mode = access_mode::kAnalog;
    }
    if (mode == access_mode::kNone && input.soundCardPresent && rm.analogDrive != -1) {
        mode = access_mode::kAnalog;
    }
    rm.currentAccessMode = mode;

    if (rm.helperLoaded) {
        ModeScope scope(rm, access_mode::kMscdex);
        rm.helperVersion = rm.CheckMscdexVersion();
    } else {
        rm.helperVersion = 1;
    }

    if (rm.helperLoaded) {
        ModeScope scope(rm, access_mode::kMscdex);
        rm.clearCdDrives();
        for (std::int16_t next = 0; rm.cdDriveCount() < static_cast<int>(rm.cdDriveLetters.size());
             next = 1) {
            const std::int16_t drive = rm.GetDrvNumber(next);
            // 255 ends the list; anything else that is no drive index ends it too.
            if (drive < 0 || drive >= ReadMethod::kEndOfDrives) {
                break;
            }
            rm.addCdDrive(drive);
        }
    }

    if (const auto mscdex = driveIndexFromSetting(input.mscdexCdRomDrive)) {
        rm.mscdexDrive = static_cast<std::int16_t>(*mscdex);
    }
    if (rm.helperLoaded) {
        ModeScope scope(rm, access_mode::kMscdex);
        const auto named = driveIndexFromSetting(input.mscdexCdRomDrive);
        if (named && rm.hasCdDrive(*named)) {
            rm.ChangeDrive(static_cast<std::int16_t>(*named));
        } else {
            rm.mscdexDrive = rm.CheckMscdex();
        }
    }

    rm.aspiDrive = rm.aspiLoaded ? static_cast<std::int16_t>(rm.aspiBackend().selectedDrive())
                                 : std::int16_t{-1};
    if (rm.currentAccessMode == access_mode::kNone) {
        rm.mscdexDrive = 0;
        rm.aspiDrive = -1;
    }

    const bool cdDrivesListed = rm.cdDriveCount() > 0;
    if (rm.helperLoaded && rm.currentAccessMode == access_mode::kMscdex && rm.mscdexDrive == 0) {
        rm.currentAccessMode = cdDrivesListed ? access_mode::kAnalog : access_mode::kNone;
        if (rm.aspiLoaded && rm.aspiDriveCount() > 0) {
            rm.currentAccessMode = access_mode::kAspi;
        }
    }
    if (rm.aspiLoaded && rm.currentAccessMode == access_mode::kAspi && rm.aspiDriveCount() == 0) {
        rm.currentAccessMode = cdDrivesListed ? access_mode::kAnalog : access_mode::kNone;
        if (rm.helperLoaded && rm.mscdexDrive > 0) {
            rm.currentAccessMode = access_mode::kMscdex;
        }
    }
    if (rm.currentAccessMode == access_mode::kNone && cdDrivesListed) {
        rm.currentAccessMode = access_mode::kAnalog;
    }
    settleAnalogDrive(rm, platformCdDrives);

    result.mode = rm.currentAccessMode;
    result.analogDrive = rm.analogDrive;
    result.mscdexDrive = rm.mscdexDrive;
    result.aspiDrive = rm.aspiDrive;
    result.grabDisabled = rm.currentAccessMode == access_mode::kNone;
    return result;
}

}  // namespace ps

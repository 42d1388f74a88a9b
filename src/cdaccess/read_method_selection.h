#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cdaccess/read_method.h"
#include "platform/drive_types.h"

namespace ps {

// The settings and facts the start-up choice of the access mode depends on. Drive and
// mode keys are the raw texts of the settings file; "Nix" stands for an absent key.
struct AccessSelectionInput {
    std::string accessMode = "Nix";
    std::string analogCdRomDrive = "Nix";
    std::string mscdexCdRomDrive = "Nix";
    std::int16_t framesWanted = 25;
    std::int16_t synchronizationOverlap = 1;
    bool continueAfterLostSynch = true;
    // For the ASPI drive selection: the saved drive name and drive type text.
    std::string defaultDrive;
    std::string cdRomType = "ATAPI";
    bool soundCardPresent = false;
};

struct AccessSelection {
    int mode = access_mode::kNone;
    std::int16_t analogDrive = -1;
    std::int16_t mscdexDrive = 0;
    std::int16_t aspiDrive = -1;
    // No way to read a disc: the main window's grab command must be disabled.
    bool grabDisabled = true;
    // The helper's StartInterfacing result at start-up (the frames it works with), 0 when
    // the helper was not asked or failed.
    std::int16_t helperFrames = 0;
    // The drive type text as the ASPI drive selection left it; the settings' `CD-ROMType`
    // takes this value.
    std::string cdRomType;
};

// The drive index a drive key names: its first character as a letter, whatever its case.
// nullopt for "Nix" (absent); -1 when the text does not begin with a drive letter A..Z.
std::optional<int> driveIndexFromSetting(std::string_view text);

// Chooses the access mode and the drives once the switch exists: starts the helper and
// the ASPI drive selection, collects the CD-ROM drives, and falls back to another mode
// when the wanted one has no drive. Leaves the choice in the switch as well.
AccessSelection selectAccessMode(ReadMethod& readMethod, const AccessSelectionInput& input,
                                 DriveTypes& driveTypes);

}  // namespace ps

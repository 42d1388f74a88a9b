#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cdaccess/backend_types.h"
#include "cdaccess/copying_window.h"
#include "cdaccess/disc_table.h"
#include "cdaccess/extraction.h"

namespace ps {

// A listed drive as the drive lists show it.
struct AspiDriveInfo {
    std::string name;   // vendor, product and revision
    std::string node;   // "/dev/sg1", or "virtual"
    int typeIndex = 0;  // row of the drive type table
};

// Settings the ASPI commands read.
struct AspiOptions {
    bool sendStartUnit = false;  // SendStartUnit: load the disc before reading the contents
    int debug = 0;               // Debug: 2 writes the raw contents to debug.bin
    std::string debugDirectory;  // where debug.bin goes; empty for the current directory
};

// A disc whose titles the program knows without asking anyone: the images of the
// virtual drive carry their own.
struct KnownDiscTitles {
    std::uint32_t mediaIdentity = 0;  // the CD player disc number
    std::string artist;
    std::string album;
    int firstTrack = 0;
    int lastTrack = 0;
    std::vector<std::string> titles;  // from the first track on; empty ones are unknown
};

// What ASPI mode needs from the SCSI pass-through side: drive discovery and selection,
// the table of contents, the player commands, the tray and the synchronised extraction.
// The read-method switch also sends ANALOG mode's StartInterfacing, GetDrvNumber,
// ChangeDrive and GetNextSec here.
class AspiBackend {
  public:
    virtual ~AspiBackend() = default;

    // Why the drives could not be opened; empty when they were (or there is nothing).
    virtual std::string openError() const { return {}; }
    // Gives the extraction its texts and, for each StartRecord, its settings. Until then
    // StartRecord does not start.
    virtual void attachExtraction(const TextTable&, std::function<ExtractionSettings()>) {}
    // The "Copying" window the extraction writes to; nullptr before attachExtraction.
    virtual CopyingWindow* copyingWindow() { return nullptr; }
    virtual ExtractionFigures lastExtraction() const { return {}; }
    // The titles of the discs in the virtual drives.
    virtual std::vector<KnownDiscTitles> knownDiscTitles() { return {}; }
    // Takes the settings the commands read (after the settings are loaded).
    virtual void setOptions(const AspiOptions&) {}

    // True when the pass-through was found with everything it needs ("ASPI loaded").
    virtual bool loaded() const = 0;

    // Discovers the drives, selects the first whose display name begins with defaultDrive
    // (drive 0 when none does), and copies the text of the drive type row shown for it
    // back into cdRomType. Result: the length of the manager text, 0 when no manager
    // answered.
    virtual std::int16_t StartInterfacing(const std::string& defaultDrive,
                                          std::string& cdRomType) = 0;
    // Runs drive discovery again; result: the number of drives listed.
    virtual int discoverDrives() = 0;
    // Makes a listed drive the current target; an index outside the list is ignored.
    virtual void selectDrive(int index) = 0;
    // Entries in the drive list, and the index of the selected one (-1 when none).
    virtual int driveCount() const = 0;
    virtual int selectedDrive() const = 0;
    // The display name of a listed drive (vendor, product and revision); empty outside the
    // list.
    virtual std::string driveName(int index) const = 0;
    // Name, device node and drive type of a listed drive; empty outside the list.
    virtual AspiDriveInfo driveInfo(int index) const {
        return {driveName(index), std::string(), 0};
    }
    // The manager's identification for the system information, "Aspi not installed" until a
    // host adapter answered.
    virtual std::string managerText() const = 0;

    // READ TOC into the table: 256 when it was read, 0 otherwise.
    virtual int GetDiskInfo(DiscTable& table) = 0;
    // PLAY AUDIO(12): 1 on success.
    virtual int PlayAudio(std::int32_t startSector, std::int32_t sectorCount) = 0;
    // PAUSE and RESUME: 1 when the command completed, else 0.
    virtual int StopAudio() = 0;
    virtual int ResumeAudio() = 0;
    // READ SUB-CHANNEL: the current play position, 0 on failure.
    virtual std::int32_t GetHeadLocation() = 0;

    // START STOP UNIT with load or with eject; each waits for the drive up to 15000 ms.
    virtual void loadDisc() = 0;
    virtual void ejectDisc() = 0;

    // The synchronised extraction of a range: resets and fills the statistics and returns
    // one of the record_result codes (or the failed read's status byte).
    virtual int StartRecord(const RecordRequest& request, const DiscTable& table,
                            ExtractionStatistics& statistics) = 0;
    // The sector the running extraction reads next.
    virtual std::int32_t GetNextSec() = 0;
};

}  // namespace ps

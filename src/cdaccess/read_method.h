#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cdaccess/analog_backend.h"
#include "cdaccess/aspi_backend.h"
#include "cdaccess/backend_types.h"
#include "cdaccess/disc_table.h"
#include "cdaccess/helper_backend.h"
#include "platform/clock.h"

namespace ps {

// The ways of reaching a drive. The settings file stores them by name.
namespace access_mode {
inline constexpr int kNone = -1;
inline constexpr int kMscdex = 0;
inline constexpr int kAspi = 1;
inline constexpr int kAnalog = 2;
}  // namespace access_mode

// The mode an `AccessMode` text asks for: "MSCDEX" and "ANALOG" in any case, everything
// else (an absent key too) ASPI.
int requestedAccessMode(std::string_view accessModeText);
// The text Save writes for a mode: "MSCDEX", "ANALOG", and "ASPI" for ASPI and for none.
std::string_view accessModeSettingText(int mode);

// Fixed timings of EjectDisc.
namespace eject_timing {
// In ASPI mode a call this soon after the previous accepted one is ignored ...
inline constexpr std::int64_t kAspiGuardMs = 5000;
// ... except that an eject moves the remembered time this far back.
inline constexpr std::int64_t kAfterEjectMs = 3000;
// A close command that returns this fast found the tray closed already, so the call ejects.
inline constexpr std::int64_t kAlreadyClosedMs = 50;
}  // namespace eject_timing

// The read-method switch: one interface over the three access modes. Every operation
// tests `currentAccessMode` and goes to the back-end of that mode, or gives the fixed
// answer of a mode that has none. A back-end that is not there answers 0 (or does
// nothing); no operation reports an error of its own.
//
// The disc table and the extraction statistics are the program-wide records; ASPI and
// ANALOG fill them and the switch answers the table and statistics queries from them.
class ReadMethod {
  public:
    static constexpr std::size_t kDriveListSlots = 27;
    static constexpr std::uint8_t kEndOfDrives = 255;
    using HelperFactory = std::function<std::unique_ptr<HelperBackend>()>;

    // Takes the ASPI and analog back-ends (nullptr stands for "not there"). Unless the
    // platform is NT, createHelper is called once for the helper back-end; nullptr from it
    // means that the helper could not be loaded. On NT it is never called.
    ReadMethod(Clock& clock, DiscTable& discTable, ExtractionStatistics& statistics,
               std::unique_ptr<AspiBackend> aspi, std::unique_ptr<AnalogBackend> analog,
               bool platformIsNT, const HelperFactory& createHelper);
    ~ReadMethod();
    ReadMethod(const ReadMethod&) = delete;
    ReadMethod& operator=(const ReadMethod&) = delete;

    // Shutdown: stops the helper's interfacing when it is loaded and releases the ASPI and
    // helper back-ends; afterwards both count as not loaded. Safe to call twice.
    void Close();

    // State shared with the start-up selection, the track list, the grab job and the
    // access-method settings, which change it directly.
    int currentAccessMode = access_mode::kNone;
    bool helperLoaded = false;
    bool helperStartupFailed = false;
    bool aspiLoaded = false;
    std::int16_t helperVersion = 1;
    // Drive indices (0 = A:) of the CD-ROM drives, in order; unused slots hold 255.
    std::array<std::uint8_t, kDriveListSlots> cdDriveLetters{};
    std::int16_t analogDrive = -1;
    std::int16_t mscdexDrive = 0;
    std::int16_t aspiDrive = -1;

    bool platformIsNT() const { return platformIsNT_; }

    // The listed CD drives: up to the first 255 slot.
    int cdDriveCount() const;
    bool hasCdDrive(int driveIndex) const;
    void clearCdDrives();
    // Appends a drive; false when the list is full or the index is not a drive index.
    bool addCdDrive(int driveIndex);

    // Entries in the ASPI drive list (0 when ASPI is not loaded).
    int aspiDriveCount() const;
    // The back-ends themselves, for the access-method settings (drive list, drive types).
    AspiBackend& aspiBackend() { return *aspi_; }
    AnalogBackend& analogBackend() { return *analog_; }

    // The operations.
    std::int16_t CheckMscdex();
    std::int16_t CheckMscdexVersion();
    // ASPI and ANALOG run the ASPI drive discovery and selection with the saved default
    // drive name and copy the selected drive type's text back into cdRomType; MSCDEX
    // passes the first three values to the helper.
    std::int16_t StartInterfacing(std::int16_t framesWanted, std::int16_t synchronizationOverlap,
                                  std::int16_t continueAfterLostSynch,
                                  const std::string& defaultDrive, std::string& cdRomType);
    std::int16_t StopInterfacing();
    // A toggle: closeFirst sends a load command first; when it is false, or the load came
    // back within 50 ms (the tray was closed), the tray is opened. ASPI ignores calls within
    // 5000 ms of the previous accepted one, counting an eject as 3000 ms earlier.
    void EjectDisc(bool closeFirst);
    // 256 when the disc table was read, 0 otherwise. The flag matters to ANALOG only.
    int GetDiskInfo(std::uint8_t flag);
    std::int32_t GetTrackInfo(std::int16_t track);
    std::int16_t GetLowest();
    std::int16_t GetHighest();
    std::int32_t GetTotalTime();
    std::int16_t GetLowNorm();
    std::int16_t GetHighNorm();
    int StopAudio();
    int ResumeAudio();
    std::int16_t FlushBuffer();
    std::int16_t IsPlaying();
    int PlayAudio(std::int32_t startSector, std::int32_t sectorCount);
    std::int32_t GetHeadLocation();
    // ASPI and ANALOG return when the extraction has ended, with its final result; MSCDEX
    // only starts the helper's recording.
    int StartRecord(const RecordRequest& request);
    std::int32_t ContinueRecord();
    std::int32_t GetNextSec();
    std::int16_t GetTemporaryHigh();
    std::int16_t GetTemporaryLow();
    void EndRecord();
    void QuitRecord();
    std::int16_t TestChecksum();
    std::uint32_t GetCheckSum();
    // 0 = first, 1 = next; 255 when there are no more. ASPI and ANALOG run the drive
    // discovery, select the first drive found and always answer 255.
    std::int16_t GetDrvNumber(std::int16_t firstOrNext);
    void ChangeDrive(std::int16_t driveIndex);

  private:
    // The helper, when it is loaded; nullptr otherwise.
    HelperBackend* helper();
    // Load command when asked, then the eject unless the load showed a tray that was
    // open. True when the eject was sent.
    template <typename Load, typename Eject>
    bool toggleTray(bool closeFirst, Load load, Eject eject);

    Clock& clock_;
    DiscTable& discTable_;
    ExtractionStatistics& statistics_;
    std::unique_ptr<AspiBackend> aspi_;
    std::unique_ptr<AnalogBackend> analog_;
    std::unique_ptr<HelperBackend> helper_;
    bool platformIsNT_;
    std::optional<std::int64_t> lastAspiEjectMs_;
};

}  // namespace ps

#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "cdaccess/aspi_transport.h"
#include "cdaccess/disc_table.h"
#include "cdaccess/drive_cd_audio.h"
#include "cdaccess/scsi_speed.h"

namespace ps {

inline constexpr int kTocRead = 256;

struct TocReadOptions {
    bool sendStartUnit = false;  // load the disc before reading
    int debug = 0;               // 2 writes the raw answer to debug.bin
    std::string debugDirectory;  // where debug.bin goes; empty for the current directory
    // Drive indices (0 = A:) of the CD drives, in letter order, for the enhanced-disc
    // correction; the selected ASPI drive's position in it is tried first.
    std::span<const int> cdDriveLetters;
};

// The SCSI command set on the current target of a transport: table of contents,
// play controls, door, read speeds and the audio read mode.
class ScsiDrive {
  public:
    // `cdAudio` may be null: enhanced discs then keep their TOC end.
    explicit ScsiDrive(AspiTransport& transport, DriveCdAudio* cdAudio = nullptr);

    // Reads the table of contents into `table`; kTocRead (256) when it has tracks,
    // 0 for no disc, a failed or timed-out read, or a table that makes no sense.
    int readToc(DiscTable& table, const TocReadOptions& options);
    // End of the last audio track of an enhanced disc, 0 when no correction applies.
    std::int32_t lastReadableSector() const { return lastReadableSector_; }

    bool play(std::int32_t startSector, std::int32_t sectorCount);
    bool pause();
    bool resume();
    // Current play position, 0 when the drive does not answer.
    std::int32_t headPosition();
    // START STOP UNIT; the status byte (1 on success).
    std::uint8_t eject();
    std::uint8_t load();

    // The speed list for a drive type: fixed lists for SCSI types; for ATAPI every
    // factor when `showAllSpeeds`, else the factors the drive accepts when probed.
    SpeedList detectSupportedSpeeds(int typeIndex, bool showAllSpeeds);
    // Sends the speed of an entry to an ATAPI drive (three requests around the nominal
    // value); other families take their speed from the read-mode set-up. Entry 0 sends
    // nothing.
    void applySpeed(const SpeedList& list, int index);
    // Current and maximum read speed in kB/s from the capabilities page.
    bool readCapabilitySpeeds(int& current, int& maximum);

    // Before every extraction: the family's mode selects for the audio read mode.
    void prepareReadMode(int speedIndex);
    // When the back-end closes: back to data blocks if the read mode was set.
    void restoreReadMode();
    bool readModeSet() const { return readModeSet_; }

    AspiTransport& transport() { return transport_; }

  private:
    std::uint8_t sendModeSelect(const ModeSelect& select);
    void correctEnhancedDisc(DiscTable& table, std::span<const int> letters);

    AspiTransport& transport_;
    DriveCdAudio* cdAudio_;
    std::array<std::uint8_t, kTocBufferLength> buffer_{};
    std::int32_t lastReadableSector_ = 0;
    bool readModeSet_ = false;
};

}  // namespace ps

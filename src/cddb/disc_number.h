#pragma once

#include <cstdint>
#include <string_view>

#include "cddb/disc_identity_device.h"

namespace ps {

class ReadMethod;

// The decimal number at the start of a media identity text (leading blanks skipped); 0
// when there is none or it does not fit 32 bits. Only the first 79 characters count.
std::uint32_t mediaIdentityNumber(std::string_view identity);

// The CD player disc number of a drive: the media identity of the disc in it, 0 when the
// device cannot be opened or the identity cannot be read. With `check`, the number is
// given only when the device's distance from track 1 to track 2 equals `tableDistance`
// (start(2) - start(1) of the read method's table), so that a number read from another
// drive than the one being ripped is refused.
std::uint32_t cdPlayerDiscNumberOfDrive(DiscIdentityDevice& device, int drive, bool check,
                                        std::int32_t tableDistance);

// The disc number found for the listed disc and the disc length it was found with.
struct CdPlayerDiscIdentity {
    std::uint32_t discNumber = 0;  // 0: unknown
    std::int32_t discLength = 0;   // frames, as the read method reported them
};

// Below this many frames between the mounted volume's size and the disc length a drive
// counts as holding the listed disc.
inline constexpr std::int64_t kSizeMatchFrames = 226;

// Finds the CD player disc number of the disc the read method lists, asking the drives
// the way the current access mode reaches them.
class DiscIdentifier {
  public:
    DiscIdentifier(ReadMethod& readMethod, DiscIdentityDevice& device,
                   const DriveVolumeView& volumes, CdPlayerDiscIdentity& identity);

    // The number for the current read method, or 0:
    // - MSCDEX: the helper's drive, unchecked;
    // - ANALOG: the analog drive, unchecked, else its volume serial;
    // - ASPI: the drive chosen in the settings (the analog drive letter), checked when its
    //   volume matches the disc by size; then every other CD drive, checked when it matches
    //   by size, else unchecked when the device's end of track 1 equals the table's; then
    //   the chosen drive unchecked; then its volume serial.
    std::uint32_t findDiscNumber();

    // With `store`: records the number and the disc length as the listed disc's and
    // returns true (false, with the number cleared, when no disc is ready). Without it:
    // true when a disc is ready and its number and disc length are those recorded, that is
    // when the disc in the drive is the listed one.
    bool identify(bool store, bool discReady);

    // The unchanged-disc test of the grab job and of disc insertion: asks the read method
    // for the drive's state (GetDiskInfo with flag 1) and then identifies without storing.
    bool discUnchanged();

  private:
    bool matchesBySize(int drive, std::int32_t discLength) const;
    std::uint32_t volumeSerial(int drive) const;
    std::uint32_t findForAspi(std::int32_t discLength, std::int32_t tableDistance);

    ReadMethod& readMethod_;
    DiscIdentityDevice& device_;
    const DriveVolumeView& volumes_;
    CdPlayerDiscIdentity& identity_;
};

}  // namespace ps

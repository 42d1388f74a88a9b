#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ps {

// Command-set families: which read command, mode select and speed handling a drive gets.
namespace drive_family {
inline constexpr int kAtapi = 1;
inline constexpr int kToshibaOld = 2;
inline constexpr int kVendorD8 = 3;  // NAKAMICHI, PIONEER, RICOH, SONY, YAMAHA
inline constexpr int kNec = 4;
inline constexpr int kPanasonic = 5;
inline constexpr int kPhilips = 6;
inline constexpr int kToshibaNew = 7;
inline constexpr int kPlextor = 8;
}  // namespace drive_family

// Rows of the drive type table; the settings file stores the row's text.
namespace drive_type {
inline constexpr int kAtapi = 0;
inline constexpr int kNakamichi = 1;
inline constexpr int kNec = 2;
inline constexpr int kPanasonic = 3;
inline constexpr int kPhilips = 4;
inline constexpr int kPioneer = 5;
inline constexpr int kPlextor = 6;
inline constexpr int kRicoh = 7;
inline constexpr int kSony = 8;
inline constexpr int kToshibaNew = 9;
inline constexpr int kToshibaOld = 10;
inline constexpr int kYamaha = 11;
inline constexpr int kCount = 12;
}  // namespace drive_type

struct DriveTypeRow {
    std::string_view text;
    int family;
};

const std::array<DriveTypeRow, drive_type::kCount>& driveTypeTable();

// Text and family of a row; an index outside the table gives row 0.
std::string_view driveTypeText(int typeIndex);
int driveTypeFamily(int typeIndex);

// The row whose text equals `text`, both upper-cased; -1 when none does.
int driveTypeIndexForText(std::string_view text);

// Peripheral device types that are listed as CD drives: write-once, CD-ROM, optical memory.
bool isCdDeviceType(int peripheralType);

inline constexpr std::size_t kInquiryLength = 36;

// The vendor, product and revision text of an INQUIRY answer: from byte 8 up to the
// first zero byte, never past the 36 bytes asked for.
std::string inquiryDisplayName(std::span<const std::uint8_t> inquiry);

// The drive type a discovered drive gets. Only drives that claim SCSI-2 with a
// response format above 1 are matched by vendor (unknown vendors count as SONY);
// everything else is driven as ATAPI.
int driveTypeForInquiry(std::span<const std::uint8_t> inquiry);

}  // namespace ps

#include "cdaccess/drive_types.h"

#include <algorithm>
#include <cctype>

namespace ps {

namespace {

constexpr std::array<DriveTypeRow, drive_type::kCount> kRows{{
    {"IDE   -  ATAPI", drive_family::kAtapi},
    {"SCSI -  NAKAMICHI", drive_family::kVendorD8},
    {"SCSI -  NEC", drive_family::kNec},
    {"SCSI -  PANASONIC", drive_family::kPanasonic},
    {"SCSI -  PHILIPS", drive_family::kPhilips},
    {"SCSI -  PIONEER", drive_family::kVendorD8},
    {"SCSI -  PLEXTOR", drive_family::kPlextor},
    {"SCSI -  RICOH", drive_family::kVendorD8},
    {"SCSI -  SONY", drive_family::kVendorD8},
    {"SCSI -  TOSHIBA (new)", drive_family::kToshibaNew},
    {"SCSI -  TOSHIBA (old)", drive_family::kToshibaOld},
    {"SCSI -  YAMAHA", drive_family::kVendorD8},
}};

struct VendorPrefix {
    std::string_view prefix;
    int typeIndex;
};

// Tested in this order, a later match overriding an earlier one, so the Toshiba
// models with the old command set win over the plain "TOSHIBA" prefix.
constexpr std::array<VendorPrefix, 15> kVendorPrefixes{{
    {"NAKAM", drive_type::kNakamichi},
    {"NEC", drive_type::kNec},
    {"PANASON", drive_type::kPanasonic},
    {"MATSUSHI", drive_type::kPanasonic},
    {"MATSHITA", drive_type::kPanasonic},
    {"PHILIPS", drive_type::kPhilips},
    {"HP", drive_type::kPhilips},
    {"PIONEER", drive_type::kPioneer},
    {"PLEXTOR", drive_type::kPlextor},
    {"RICOH", drive_type::kRicoh},
    {"SONY", drive_type::kSony},
    {"TOSHIBA", drive_type::kToshibaNew},
    {"TOSHIBA CD-ROM XM-5701", drive_type::kToshibaOld},
    {"TOSHIBA CD-ROM XM-5301", drive_type::kToshibaOld},
    {"YAMAHA", drive_type::kYamaha},
}};

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

}  // namespace

const std::array<DriveTypeRow, drive_type::kCount>& driveTypeTable() {
    return kRows;
}

std::string_view driveTypeText(int typeIndex) {
    if (typeIndex < 0 || typeIndex >= drive_type::kCount) {
        typeIndex = 0;
    }
    return kRows[static_cast<std::size_t>(typeIndex)].text;
}

int driveTypeFamily(int typeIndex) {
    if (typeIndex < 0 || typeIndex >= drive_type::kCount) {
        typeIndex = 0;
    }
    return kRows[static_cast<std::size_t>(typeIndex)].family;
}

int driveTypeIndexForText(std::string_view text) {
    const std::string wanted = upper(text);
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (upper(kRows[i].text) == wanted) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool isCdDeviceType(int peripheralType) {
    return peripheralType == 4 || peripheralType == 5 || peripheralType == 7;
}

std::string inquiryDisplayName(std::span<const std::uint8_t> inquiry) {
    std::string name;
    const std::size_t end = std::min(inquiry.size(), kInquiryLength);
    for (std::size_t i = 8; i < end && inquiry[i] != 0; ++i) {
        name.push_back(static_cast<char>(inquiry[i]));
    }
    return name;
}

int driveTypeForInquiry(std::span<const std::uint8_t> inquiry) {
    if (inquiry.size() < 4) {
        return drive_type::kAtapi;
    }
    const int responseFormat = inquiry[3] & 0x0F;
    const int ansiVersion = inquiry[2] & 0x07;
    if (responseFormat <= 1 || ansiVersion != 2) {
        return drive_type::kAtapi;
    }
    const std::string name = upper(inquiryDisplayName(inquiry));
    int typeIndex = drive_type::kSony;
    for (const auto& vendor : kVendorPrefixes) {
        if (std::string_view(name).starts_with(vendor.prefix)) {
            typeIndex = vendor.typeIndex;
        }
    }
    return typeIndex;
}

}  // namespace ps

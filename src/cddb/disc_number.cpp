#include "cddb/disc_number.h"

#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "cdaccess/read_method.h"

namespace ps {

namespace {

constexpr std::size_t kMediaIdentityMax = 79;
constexpr std::uint64_t kVolumeUnitBytes = 2048;
// The device counts track positions from the start of the lead-in; one more frame back
// is the last frame of the track before.
constexpr std::int32_t kLeadInAndOneFrame = 151;

bool openDevice(DiscIdentityDevice& device, int drive) {
    return device.open(drive, true) || device.open(drive, false);
}

bool discReadyResult(int diskInfo) {
    return diskInfo == 256 || diskInfo == 768;
}

}  // namespace

std::uint32_t mediaIdentityNumber(std::string_view identity) {
    identity = identity.substr(0, kMediaIdentityMax);
    std::size_t at = 0;
    while (at < identity.size() && (identity[at] == ' ' || identity[at] == '\t')) {
        ++at;
    }
    std::uint64_t value = 0;
    const std::size_t digitsFrom = at;
    for (; at < identity.size() && identity[at] >= '0' && identity[at] <= '9'; ++at) {
        value = value * 10 + static_cast<std::uint64_t>(identity[at] - '0');
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return 0;
        }
    }
    return at == digitsFrom ? 0 : static_cast<std::uint32_t>(value);
}

std::uint32_t cdPlayerDiscNumberOfDrive(DiscIdentityDevice& device, int drive, bool check,
                                        std::int32_t tableDistance) {
    if (!openDevice(device, drive)) {
        return 0;
    }
    const std::optional<std::string> identity = device.mediaIdentity();
    const std::optional<MsfTime> track1 = device.trackPosition(1);
    const std::optional<MsfTime> track2 = device.trackPosition(2);
    std::uint32_t number = 0;
    if (identity && track1) {
        number = mediaIdentityNumber(*identity);
        if (check) {
            const std::int32_t distance = track2 ? msfFrames(*track2) - msfFrames(*track1) : 0;
            if (distance != tableDistance) {
                number = 0;
            }
        }
    }
    device.close();
    return number;
}

DiscIdentifier::DiscIdentifier(ReadMethod& readMethod, DiscIdentityDevice& device,
                               const DriveVolumeView& volumes, CdPlayerDiscIdentity& identity)
    : readMethod_(readMethod), device_(device), volumes_(volumes), identity_(identity) {}

bool DiscIdentifier::matchesBySize(int drive, std::int32_t discLength) const {
    if (readMethod_.platformIsNT()) {
        return true;
    }
    const std::optional<std::uint64_t> bytes = volumes_.totalBytes(drive);
    if (!bytes) {
        return false;
    }
    const std::int64_t units = static_cast<std::int64_t>(*bytes / kVolumeUnitBytes);
    return std::llabs(units - std::int64_t{discLength}) < kSizeMatchFrames;
}

std::uint32_t DiscIdentifier::volumeSerial(int drive) const {
    return volumes_.volumeSerial(drive).value_or(0);
}

std::uint32_t DiscIdentifier::findForAspi(std::int32_t discLength, std::int32_t tableDistance) {
    const int count = readMethod_.cdDriveCount();
    int chosen = readMethod_.analogDrive;
    if (chosen < 0 && count > 0) {
        chosen = readMethod_.cdDriveLetters[0];
    }
    if (chosen < 0) {
        return 0;
    }
    std::uint32_t number = 0;
    if (matchesBySize(chosen, discLength)) {
        number = cdPlayerDiscNumberOfDrive(device_, chosen, true, tableDistance);
    }
    const std::int32_t tableEndOfTrack1 = readMethod_.GetTrackInfo(2) - 1;
    for (int i = 0; number == 0 && i < count; ++i) {
        const int candidate = readMethod_.cdDriveLetters[i];
        if (candidate == chosen) {
            continue;
        }
        if (matchesBySize(candidate, discLength)) {
            number = cdPlayerDiscNumberOfDrive(device_, candidate, true, tableDistance);
            continue;
        }
        // Without a size to go by, the drive must at least place the end of track 1
        // where the table does.
        bool endMatches = false;
        if (openDevice(device_, candidate)) {
            const std::optional<MsfTime> track2 = device_.trackPosition(2);
            endMatches = track2 && msfFrames(*track2) - kLeadInAndOneFrame == tableEndOfTrack1;
            device_.close();
        }
        if (endMatches) {
            number = cdPlayerDiscNumberOfDrive(device_, candidate, false, tableDistance);
        }
    }
    if (number == 0) {
        number = cdPlayerDiscNumberOfDrive(device_, chosen, false, tableDistance);
    }
    if (number == 0) {
        number = volumeSerial(chosen);
    }
    return number;
}

std::uint32_t DiscIdentifier::findDiscNumber() {
    switch (readMethod_.currentAccessMode) {
        case access_mode::kMscdex:
            return cdPlayerDiscNumberOfDrive(device_, readMethod_.mscdexDrive, false, 0);
        case access_mode::kAnalog: {
            const int drive = readMethod_.analogDrive;
            if (drive < 0) {
                return 0;
            }
            const std::uint32_t number = cdPlayerDiscNumberOfDrive(device_, drive, false, 0);
            return number != 0 ? number : volumeSerial(drive);
        }
        case access_mode::kAspi: {
            const std::int32_t distance = readMethod_.GetTrackInfo(2) - readMethod_.GetTrackInfo(1);
            return findForAspi(readMethod_.GetTotalTime(), distance);
        }
        default:
            return 0;
    }
}

bool DiscIdentifier::identify(bool store, bool discReady) {
    if (!discReady) {
        if (store) {
            identity_ = {};
        }
        return false;
    }
    const std::uint32_t number = findDiscNumber();
    std::int32_t discLength = readMethod_.GetTotalTime();
    if (readMethod_.currentAccessMode == access_mode::kMscdex) {
        discLength -= readMethod_.GetTrackInfo(1);
    }
    if (store) {
        identity_.discNumber = number;
        identity_.discLength = discLength;
        return true;
    }
    return number == identity_.discNumber && discLength == identity_.discLength;
}

bool DiscIdentifier::discUnchanged() {
    return identify(false, discReadyResult(readMethod_.GetDiskInfo(1)));
}

}  // namespace ps

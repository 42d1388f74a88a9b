#include "cdaccess/scsi_commands.h"

#include <algorithm>
#include <initializer_list>

#include "cdaccess/drive_types.h"

namespace ps {

namespace {

ScsiCommand make(std::initializer_list<std::uint8_t> bytes, std::uint8_t lengthField,
                 DataDirection direction, std::uint32_t dataLength,
                 int timeoutMs = scsi_timeout::kShort) {
    ScsiCommand command;
    std::copy(bytes.begin(), bytes.end(), command.cdb.begin());
    command.cdbLength = lengthField;
    command.direction = direction;
    command.dataLength = dataLength;
    command.timeoutMs = timeoutMs;
    return command;
}

void putBigEndian32(std::array<std::uint8_t, 16>& cdb, std::size_t at, std::uint32_t value) {
    cdb[at] = static_cast<std::uint8_t>(value >> 24);
    cdb[at + 1] = static_cast<std::uint8_t>(value >> 16);
    cdb[at + 2] = static_cast<std::uint8_t>(value >> 8);
    cdb[at + 3] = static_cast<std::uint8_t>(value);
}

bool pageFormatFamily(int family) {
    return family == drive_family::kPanasonic || family == drive_family::kPhilips ||
           family == drive_family::kToshibaNew;
}

ModeSelect modeSelect(int family, std::vector<std::uint8_t> parameters, std::uint8_t listLength,
                      std::uint32_t dataLength) {
    ModeSelect select;
    select.parameters = std::move(parameters);
    select.command = make({0x15, static_cast<std::uint8_t>(pageFormatFamily(family) ? 0x10 : 0x00),
                           0x00, 0x00, listLength, 0x00},
                          6, DataDirection::Out, dataLength, scsi_timeout::kPolled);
    select.command.polled = true;
    return select;
}

}  // namespace

ScsiCommand rezeroUnitCommand() {
    return make({0x01, 0, 0, 0, 0, 0}, 6, DataDirection::None, 0);
}

ScsiCommand inquiryCommand() {
    return make({0x12, 0, 0, 0, 0x24, 0}, 6, DataDirection::In, kInquiryLength);
}

ScsiCommand ejectCommand() {
    auto command = make({0x1B, 0, 0, 0, 0x02, 0}, 6, DataDirection::None, 0, scsi_timeout::kDoor);
    command.beepAround = true;
    return command;
}

ScsiCommand loadCommand() {
    auto command = make({0x1B, 0, 0, 0, 0x03, 0}, 6, DataDirection::None, 0, scsi_timeout::kDoor);
    command.beepAround = true;
    return command;
}

ScsiCommand readTocCommand() {
    return make({0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, 10, DataDirection::In, kTocBufferLength,
                scsi_timeout::kToc);
}

ScsiCommand readSubChannelCommand() {
    return make({0x42, 0, 0x40, 0x01, 0, 0, 0, 0, 0x10, 0}, 10, DataDirection::In, 16);
}

ScsiCommand playAudioCommand(std::int32_t startSector, std::int32_t sectorCount) {
    auto command = make({0xA5}, 12, DataDirection::None, 0);
    putBigEndian32(command.cdb, 2, static_cast<std::uint32_t>(startSector));
    putBigEndian32(command.cdb, 6, static_cast<std::uint32_t>(std::max(sectorCount, 0)));
    return command;
}

ScsiCommand pauseCommand() {
    return make({0x4B, 0, 0, 0, 0, 0, 0, 0, 0x00, 0}, 10, DataDirection::None, 16);
}

ScsiCommand resumeCommand() {
    return make({0x4B, 0, 0, 0, 0, 0, 0, 0, 0x01, 0}, 10, DataDirection::None, 16);
}

ScsiCommand setCdSpeedCommand(int kilobytesPerSecond) {
    const auto speed = static_cast<std::uint16_t>(std::clamp(kilobytesPerSecond, 0, 0xFFFF));
    return make({0xBB, 0, static_cast<std::uint8_t>(speed >> 8), static_cast<std::uint8_t>(speed),
                 0xFF, 0xFF, 0, 0, 0, 0, 0, 0},
                12, DataDirection::None, 0);
}

ScsiCommand capabilitiesModeSenseCommand(int family) {
    if (family == drive_family::kVendorD8 || family == drive_family::kPlextor) {
        return make({0x1A, 0, 0x2A, 0, 0x20, 0}, 12, DataDirection::In, 32);
    }
    return make({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0x1C, 0}, 12, DataDirection::In, 28);
}

ScsiCommand toshibaOldModeSenseCommand() {
    auto command = make({0x1A, 0, 0, 0, 0x0C, 0}, 6, DataDirection::In, 15, scsi_timeout::kPolled);
    command.polled = true;
    return command;
}

ScsiCommand audioReadCommand(int family, std::int32_t startSector, int sectorCount) {
    const auto n = static_cast<std::uint8_t>(std::clamp(sectorCount, 0, kSectorsPerRead));
    ScsiCommand command;
    switch (family) {
        case drive_family::kToshibaOld:
            command = make({0x28, 0, 0, 0, 0, 0, 0, 0, n}, 12, DataDirection::In, 0);
            break;
        case drive_family::kVendorD8:
        case drive_family::kPlextor:
            command = make({0xD8, 0, 0, 0, 0, 0, 0, 0, 0, n}, 12, DataDirection::In, 0);
            break;
        case drive_family::kNec:
            command = make({0xD4, 0, 0, 0, 0, 0, 0, 0, n}, 10, DataDirection::In, 0);
            break;
        case drive_family::kPanasonic:
            command = make({0xD4, 0, 0, 0, 0, 0, 0, 0, 0, n}, 12, DataDirection::In, 0);
            break;
        case drive_family::kPhilips:
        case drive_family::kToshibaNew:
            command = make({0x28, 0, 0, 0, 0, 0, 0, 0, n}, 10, DataDirection::In, 0);
            break;
        default:  // ATAPI READ CD: CD-DA sectors with sync, header, user data and error fields
            command = make({0xBE, 0x04, 0, 0, 0, 0, 0, 0, n, 0xF0}, 10, DataDirection::In, 0);
            break;
    }
    putBigEndian32(command.cdb, 2, static_cast<std::uint32_t>(startSector));
    command.dataLength = kAudioReadDataLength;
    command.timeoutMs = scsi_timeout::kRead;
    return command;
}

std::vector<ModeSelect> readModeSelects(int family, int speedIndex) {
    std::vector<ModeSelect> selects;
    switch (family) {
        case drive_family::kToshibaOld:
            selects.push_back(modeSelect(
                family, {0x00, 0x00, 0x00, 0x08, 0x82, 0, 0, 0, 0, 0x00, 0x09, 0x30}, 12, 12));
            break;
        case drive_family::kPanasonic:
            if (speedIndex == 1) {
                selects.push_back(modeSelect(
                    family, {0, 0, 0, 0, 0x20, 0x02, 0x01, 0x00, 0x65, 0x2C, 0x41, 0x00}, 8, 12));
            } else if (speedIndex == 2) {
                selects.push_back(modeSelect(
                    family, {0, 0, 0, 0, 0x20, 0x02, 0x18, 0x00, 0x65, 0x2C, 0x41, 0x00}, 8, 12));
            } else {
                selects.push_back(
                    modeSelect(family, {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x09, 0x30}, 8, 12));
            }
            break;
        case drive_family::kPhilips: {
            static constexpr std::uint8_t kSpeedCodes[] = {0, 1, 2, 6};
            const std::uint8_t v =
                speedIndex >= 0 && speedIndex < 4 ? kSpeedCodes[speedIndex] : std::uint8_t{0};
            selects.push_back(modeSelect(family,
                                         {0x00, 0x00, 0x00, 0x08, 0,    0,    0, 0,    0,    0x00,
                                          0x09, 0x30, 0x23, 0x06, 0x00, 0x00, v, 0x00, 0x00, 0x80},
                                         20, 20));
            selects.push_back(
                modeSelect(family, {0x00, 0x00, 0x00, 0x08, 0,    0,    0,    0,    0,    0x00,
                                    0x09, 0x30, 0x01, 0x06, 0x20, 0x07, 0x00, 0x00, 0x00, 0x00},
                           20, 20));
            break;
        }
        case drive_family::kToshibaNew: {
            const std::uint8_t w = speedIndex == 1 ? 0x10 : 0x11;
            selects.push_back(modeSelect(
                family, {0x00, 0x00, 0x00, 0x08, 0x82, 0, 0, 0, 0, 0x00, 0x09, 0x30, 0x20, 0x01, w},
                15, 15));
            break;
        }
        case drive_family::kPlextor:
            if (speedIndex != 0) {
                selects.push_back(
                    modeSelect(family,
                               {0x00, 0x00, 0x00, 0x08, 0, 0, 0, 0, 0, 0x00, 0x08, 0x00, 0x31, 0x02,
                                static_cast<std::uint8_t>(speedIndex - 1), 0x00},
                               16, 16));
            }
            break;
        default:
            break;
    }
    return selects;
}

ModeSelect restoreModeSelect(int family) {
    if (family == drive_family::kPanasonic) {
        return modeSelect(family, {0x00, 0x00, 0x00, 0x08, 0x00, 0, 0, 0, 0, 0x00, 0x08, 0x00}, 12,
                          12);
    }
    return modeSelect(family, {0x00, 0x00, 0x00, 0x08, 0x83, 0, 0, 0, 0, 0x00, 0x08, 0x00}, 12, 12);
}

int capabilitiesCurrentSpeed(const std::uint8_t* answer) {
    return (answer[22] << 8) | answer[23];
}

int capabilitiesMaximumSpeed(const std::uint8_t* answer) {
    return (answer[18] << 8) | answer[19];
}

std::int32_t subChannelPosition(const std::uint8_t* answer) {
    return (static_cast<std::int32_t>(answer[9]) << 16) | (answer[10] << 8) | answer[11];
}

}  // namespace ps

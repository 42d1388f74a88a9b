#include "cdaccess/scsi_drive.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "cdaccess/drive_types.h"
#include "cdaccess/scsi_toc.h"

namespace ps {

namespace {

void writeDebugToc(const std::string& directory, std::span<const std::uint8_t> answer) {
    std::string path = "debug.bin";
    if (!directory.empty()) {
        path = directory.back() == '/' ? directory + path : directory + "/" + path;
    }
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(answer.data(), 1, answer.size(), file);
        std::fclose(file);
    }
}

}  // namespace

ScsiDrive::ScsiDrive(AspiTransport& transport, DriveCdAudio* cdAudio)
    : transport_(transport), cdAudio_(cdAudio) {}

int ScsiDrive::readToc(DiscTable& table, const TocReadOptions& options) {
    if (options.sendStartUnit) {
        load();
    }
    lastReadableSector_ = 0;
    buffer_.fill(0);
    table = emptyDiscTable();
    const std::uint8_t status = transport_.execute(readTocCommand(), buffer_.data());
    if (options.debug == 2) {
        writeDebugToc(options.debugDirectory, buffer_);
    }
    if (status != scsi_status::kDone || !parseToc(buffer_, table)) {
        return 0;
    }
    correctEnhancedDisc(table, options.cdDriveLetters);
    return kTocRead;
}

void ScsiDrive::correctEnhancedDisc(DiscTable& table, std::span<const int> letters) {
    const int last = table.lastTrack;
    if (cdAudio_ == nullptr || last <= 2 || table.firstTrack > 1 ||
        !table.tracks[static_cast<std::size_t>(last)].dataTrack ||
        table.tracks[static_cast<std::size_t>(last - 1)].dataTrack) {
        return;
    }
    std::vector<int> order;
    const int position = transport_.selectedDrive();
    if (position >= 0 && position < static_cast<int>(letters.size())) {
        order.push_back(letters[static_cast<std::size_t>(position)]);
    }
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (static_cast<int>(i) != position) {
            order.push_back(letters[i]);
        }
    }

    DiscTrack& audio = table.tracks[static_cast<std::size_t>(last - 1)];
    for (const int letter : order) {
        if (!cdAudio_->open(letter)) {
            continue;
        }
        // Only a device that shows this very disc may correct it.
        const auto second = cdAudio_->trackStart(2);
        std::optional<std::int32_t> length;
        if (second && *second - 1 == table.tracks[1].endSector) {
            length = cdAudio_->trackLength(last - 1);
        }
        cdAudio_->close();
        // The device reports the playable length, so the last audio sector is one
        // before start + length. A length that would move the end past the TOC's own
        // end, or before the start, is no correction; the next device may know better.
        if (length && *length > 0 && *length <= audio.endSector - audio.startSector + 1) {
            audio.endSector = audio.startSector + *length - 1;
            lastReadableSector_ = audio.endSector;
            return;
        }
    }
}

bool ScsiDrive::play(std::int32_t startSector, std::int32_t sectorCount) {
    return transport_.execute(playAudioCommand(startSector, sectorCount), nullptr) ==
           scsi_status::kDone;
}

bool ScsiDrive::pause() {
    return transport_.execute(pauseCommand(), buffer_.data()) == scsi_status::kDone;
}

bool ScsiDrive::resume() {
    return transport_.execute(resumeCommand(), buffer_.data()) == scsi_status::kDone;
}

std::int32_t ScsiDrive::headPosition() {
    buffer_.fill(0);
    if (transport_.execute(readSubChannelCommand(), buffer_.data()) != scsi_status::kDone) {
        return 0;
    }
    return subChannelPosition(buffer_.data());
}

std::uint8_t ScsiDrive::eject() {
    return transport_.execute(ejectCommand(), nullptr);
}

std::uint8_t ScsiDrive::load() {
    return transport_.execute(loadCommand(), nullptr);
}

bool ScsiDrive::readCapabilitySpeeds(int& current, int& maximum) {
    buffer_.fill(0);
    const ScsiCommand command = capabilitiesModeSenseCommand(transport_.driveFamily());
    if (transport_.execute(command, buffer_.data()) != scsi_status::kDone) {
        return false;
    }
    current = capabilitiesCurrentSpeed(buffer_.data());
    maximum = capabilitiesMaximumSpeed(buffer_.data());
    return true;
}

SpeedList ScsiDrive::detectSupportedSpeeds(int typeIndex, bool showAllSpeeds) {
    if (typeIndex != drive_type::kAtapi) {
        return fixedSpeedList(typeIndex);
    }
    if (showAllSpeeds) {
        return allAtapiSpeeds();
    }
    SpeedList list{{"Default", 0}};
    const ScsiCommand sense = capabilitiesModeSenseCommand(drive_family::kAtapi);
    for (int factor = 1; factor <= kMaxSpeedFactor; ++factor) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const int requested = speedRequest(factor, attempt);
            if (transport_.execute(setCdSpeedCommand(requested), nullptr) ==
                scsi_status::kPending) {
                return list;
            }
            // A failed sense must not be read as the answer of an earlier one.
            buffer_.fill(0);
            const std::uint8_t status = transport_.execute(sense, buffer_.data());
            if (status == scsi_status::kPending) {
                return list;
            }
            if (status != scsi_status::kDone) {
                continue;
            }
            const int current = capabilitiesCurrentSpeed(buffer_.data());
            const int maximum = capabilitiesMaximumSpeed(buffer_.data());
            if (std::abs(current - requested) < 6 || std::abs(maximum - requested) < 6) {
                list.push_back({speedFactorText(factor), factor});
                break;
            }
        }
    }
    return list;
}

void ScsiDrive::applySpeed(const SpeedList& list, int index) {
    if (transport_.driveFamily() != drive_family::kAtapi || index < 1 ||
        index >= static_cast<int>(list.size())) {
        return;
    }
    const int factor = list[static_cast<std::size_t>(index)].factor;
    if (factor <= 0) {
        return;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        transport_.execute(setCdSpeedCommand(speedRequest(factor, attempt)), nullptr);
    }
}

std::uint8_t ScsiDrive::sendModeSelect(const ModeSelect& select) {
    std::array<std::uint8_t, 20> parameters{};
    std::copy(select.parameters.begin(), select.parameters.end(), parameters.begin());
    const std::uint8_t status = transport_.execute(select.command, parameters.data());
    if (status == scsi_status::kDone) {
        readModeSet_ = true;
    }
    return status;
}

void ScsiDrive::prepareReadMode(int speedIndex) {
    const int family = transport_.driveFamily();
    if (family == drive_family::kToshibaOld) {
        buffer_.fill(0);
        transport_.execute(toshibaOldModeSenseCommand(), buffer_.data());
    }
    for (const ModeSelect& select : readModeSelects(family, speedIndex)) {
        sendModeSelect(select);
    }
}

void ScsiDrive::restoreReadMode() {
    if (!readModeSet_) {
        return;
    }
    sendModeSelect(restoreModeSelect(transport_.driveFamily()));
    readModeSet_ = false;
}

}  // namespace ps

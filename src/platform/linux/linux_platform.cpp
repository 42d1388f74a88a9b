#include "platform/linux/linux_platform.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "app/program_directory.h"
#include "cdaccess/aspi_session_backend.h"
#include "platform/linux/cd_audio_device_linux.h"
#include "platform/linux/sg_pass_through.h"

namespace ps {

namespace {

constexpr int kFirstCdLetter = 3;  // D

int currentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

// The sr nodes in number order (sr2 before sr10).
std::vector<std::string> cdDeviceNodes() {
    std::vector<std::pair<int, std::string>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 2 && name.rfind("sr", 0) == 0 &&
            std::all_of(name.begin() + 2, name.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            found.emplace_back(std::stoi(name.substr(2)), entry.path().string());
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> nodes;
    for (auto& [number, path] : found) {
        nodes.push_back(std::move(path));
    }
    return nodes;
}

std::string executableDirectory(const std::string& executablePath) {
    return std::filesystem::path(executablePath).parent_path().string();
}

}  // namespace

LinuxDrives::LinuxDrives() : nodes_(cdDeviceNodes()) {
    realDevices_.resize(nodes_.size());
}

LinuxDrives::~LinuxDrives() = default;

std::vector<CdAudioDevice*> LinuxDrives::virtualDevices() const {
    return aspi_ != nullptr ? aspi_->driveSet().virtualCdAudioDevices()
                            : std::vector<CdAudioDevice*>{};
}

bool LinuxDrives::isCdRom(int driveIndex) {
    return !deviceNode(driveIndex).empty();
}

std::string LinuxDrives::deviceNode(int driveIndex) {
    const int position = driveIndex - kFirstCdLetter;
    const int real = static_cast<int>(nodes_.size());
    if (position < 0) {
        return {};
    }
    if (position < real) {
        return nodes_[static_cast<std::size_t>(position)];
    }
    return position - real < static_cast<int>(virtualDevices().size()) ? "virtual" : std::string();
}

CdAudioDevice* LinuxDrives::device(int driveIndex) {
    const int position = driveIndex - kFirstCdLetter;
    const int real = static_cast<int>(nodes_.size());
    if (position < 0) {
        return nullptr;
    }
    if (position < real) {
        auto& device = realDevices_[static_cast<std::size_t>(position)];
        if (!device) {
            device =
                std::make_unique<CdAudioDeviceLinux>(nodes_[static_cast<std::size_t>(position)]);
        }
        return device.get();
    }
    const auto virtuals = virtualDevices();
    return position - real < static_cast<int>(virtuals.size())
               ? virtuals[static_cast<std::size_t>(position - real)]
               : nullptr;
}

LinuxPlatform::LinuxPlatform(std::string executable)
    : autostart(XdgAutostart::configHomeFromEnvironment()), executablePath(std::move(executable)) {
    const ProgramLocationInputs inputs =
        programLocationFromEnvironment(executableDirectory(executablePath));
    programDirectory = resolveProgramDirectory(inputs);
    musicDirectory = defaultMusicDirectory(inputs);
}

ProgramServices LinuxPlatform::services() {
    ProgramServices services;
    services.clock = &clock;
    services.autostart = &autostart;
    services.driveTypes = &drives;
    services.cdAudioDevices = &drives;
    services.fileSystem = &fileSystem;
    services.processLauncher = &processLauncher;
    services.executablePath = executablePath;
    services.currentYear = currentYear();
    services.defaultDestinationDirectory = musicDirectory;
    services.languageDataDirectory =
        (std::filesystem::path(executablePath).parent_path().parent_path() /
         "share/platterscoop/languages")
            .string();
    services.createAspi = [this]() -> std::unique_ptr<AspiBackend> {
        auto backend =
            std::make_unique<AspiSessionBackend>(clock, std::make_unique<SgPassThrough>());
        drives.setAspiBackend(backend.get());
        return backend;
    };
    services.canEnterDirectory = [](const std::string& directory) {
        return !directory.empty() && ::access(directory.c_str(), X_OK) == 0 &&
               std::filesystem::is_directory(directory);
    };
    return services;
}

}  // namespace ps

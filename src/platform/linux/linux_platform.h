#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/program_shell.h"
#include "platform/cd_audio_device.h"
#include "platform/clock.h"
#include "platform/drive_types.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/process_linux.h"
#include "platform/linux/xdg_autostart.h"

namespace ps {

class AspiSessionBackend;

// The CD drive letters and their CD audio devices: D is /dev/sr0, E the next, and so
// on; the virtual drives of the ASPI back-end take the letters after the real ones.
class LinuxDrives final : public DriveTypes, public CdAudioDevices {
  public:
    LinuxDrives();
    ~LinuxDrives() override;
    // The back-end whose virtual drives follow the real ones (or none).
    void setAspiBackend(AspiSessionBackend* backend) { aspi_ = backend; }

    bool isCdRom(int driveIndex) override;
    std::string deviceNode(int driveIndex) override;
    CdAudioDevice* device(int driveIndex) override;

  private:
    std::vector<CdAudioDevice*> virtualDevices() const;

    std::vector<std::string> nodes_;  // in letter order from D
    std::vector<std::unique_ptr<CdAudioDevice>> realDevices_;
    AspiSessionBackend* aspi_ = nullptr;
};

// The Linux realisations the shell runs on, alive as long as the shell.
struct LinuxPlatform {
    explicit LinuxPlatform(std::string executablePath);
    ProgramServices services();

    SteadyClock clock;
    XdgAutostart autostart;
    LinuxDrives drives;
    LinuxFileSystem fileSystem;
    LinuxProcessLauncher processLauncher;
    std::string executablePath;
    std::string programDirectory;
    std::string musicDirectory;
};

}  // namespace ps

#pragma once

#include <memory>
#include <string>

#include "cdaccess/aspi_backend.h"
#include "cdaccess/aspi_drive_set.h"
#include "cdaccess/extraction_session.h"
#include "platform/clock.h"
#include "platform/pass_through.h"

namespace ps {

// ASPI mode over the SCSI pass-through: the real drives of the machine, then the virtual
// drive (alone with the demo disc when the machine has no CD drive).
class AspiSessionBackend final : public AspiBackend {
  public:
    // `real` may be null (no pass-through on this system). The drive set opens at once.
    AspiSessionBackend(Clock& clock, std::unique_ptr<PassThrough> real, AspiHooks hooks = {});
    // Gives the drive back the read mode it had before the program changed it.
    ~AspiSessionBackend() override;

    // Why the drives could not be opened (a bad virtual image or fault list); empty when
    // they were.
    std::string openError() const override { return openError_; }
    void setOptions(const AspiOptions& options) override { options_ = options; }
    void attachExtraction(const TextTable& texts,
                          std::function<ExtractionSettings()> settingsOf) override;
    CopyingWindow* copyingWindow() override;
    ExtractionFigures lastExtraction() const override;
    std::vector<KnownDiscTitles> knownDiscTitles() override;
    // The extraction and its window; nullptr before attachExtraction.
    ExtractionSession* extractionSession() { return session_.get(); }
    AspiDriveSet& driveSet() { return set_; }

    bool loaded() const override { return loaded_; }
    std::int16_t StartInterfacing(const std::string& defaultDrive, std::string& cdRomType) override;
    int discoverDrives() override;
    void selectDrive(int index) override;
    int driveCount() const override;
    int selectedDrive() const override;
    std::string driveName(int index) const override;
    AspiDriveInfo driveInfo(int index) const override;
    std::string managerText() const override;
    int GetDiskInfo(DiscTable& table) override;
    int PlayAudio(std::int32_t startSector, std::int32_t sectorCount) override;
    int StopAudio() override;
    int ResumeAudio() override;
    std::int32_t GetHeadLocation() override;
    void loadDisc() override;
    void ejectDisc() override;
    int StartRecord(const RecordRequest& request, const DiscTable& table,
                    ExtractionStatistics& statistics) override;
    std::int32_t GetNextSec() override;

  private:
    std::unique_ptr<PassThrough> real_;
    AspiDriveSet set_;
    AspiOptions options_;
    std::unique_ptr<ExtractionSession> session_;
    std::function<ExtractionSettings()> extractionSettings_;
    std::string openError_;
    bool loaded_ = false;
};

}  // namespace ps

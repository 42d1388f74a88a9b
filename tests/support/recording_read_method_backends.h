#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cdaccess/analog_backend.h"
#include "cdaccess/aspi_backend.h"
#include "cdaccess/helper_backend.h"
#include "support/fake_clock.h"

namespace ps::test {

// Back-ends of the read-method switch that write every call into one shared log
// ("helper.PlayAudio(1000,75)", "aspi.ejectDisc()", "analog.closeDoor(4)") and answer
// with values that tell the back-ends apart.
using CallLog = std::vector<std::string>;

namespace detail {
inline void join(std::ostringstream&) {}
template <typename T, typename... R>
void join(std::ostringstream& out, const T& first, const R&... rest) {
    out << +first;
    ((out << ',' << +rest), ...);
}
template <typename... A>
std::string call(const char* name, const A&... arguments) {
    std::ostringstream out;
    out << name << '(';
    join(out, arguments...);
    out << ')';
    return out.str();
}
}  // namespace detail

class RecordingHelper final : public HelperBackend {
  public:
    explicit RecordingHelper(CallLog& log) : log_(log) {}

    std::int16_t checkMscdexResult = 101;
    std::int16_t versionResult = 102;
    std::int16_t startInterfacingResult = 103;
    // GetDrvNumber walks this list and answers 255 after it; when `endless`, it never ends.
    std::vector<std::int16_t> drives{3};
    bool endless = false;

    std::int16_t CheckMscdex() override { return log("CheckMscdex", checkMscdexResult); }
    std::int16_t CheckMscdexVersion() override { return log("CheckMscdexVersion", versionResult); }
    std::int16_t StartInterfacing(std::int16_t frames, std::int16_t overlap,
                                  std::int16_t cont) override {
        log_.push_back(detail::call("helper.StartInterfacing", frames, overlap, cont));
        return startInterfacingResult;
    }
    std::int16_t StopInterfacing() override { return log("StopInterfacing", 104); }
    std::int16_t GetDiskInfo() override { return log("GetDiskInfo", 105); }
    std::int32_t GetTrackInfo(std::int16_t track) override {
        log_.push_back(detail::call("helper.GetTrackInfo", track));
        return 100000 + track;
    }
    std::int16_t GetLowest() override { return log("GetLowest", 107); }
    std::int16_t GetHighest() override { return log("GetHighest", 108); }
    std::int32_t GetTotalTime() override { return log("GetTotalTime", 100009); }
    std::int16_t GetLowNorm() override { return log("GetLowNorm", 110); }
    std::int16_t GetHighNorm() override { return log("GetHighNorm", 111); }
    std::int16_t StopAudio() override { return log("StopAudio", 112); }
    std::int16_t ResumeAudio() override { return log("ResumeAudio", 113); }
    std::int16_t FlushBuffer() override { return log("FlushBuffer", 114); }
    std::int16_t IsPlaying() override { return log("IsPlaying", 115); }
    std::int16_t PlayAudio(std::int32_t start, std::int32_t count) override {
        log_.push_back(detail::call("helper.PlayAudio", start, count));
        return 116;
    }
    std::int32_t GetHeadLocation() override { return log("GetHeadLocation", 100017); }
    std::int16_t StartRecord(std::int32_t start, std::int32_t end, std::int16_t leading,
                             std::int16_t trailing, std::int16_t options, std::int16_t checksumOff,
                             std::int16_t skip) override {
        log_.push_back(detail::call("helper.StartRecord", start, end, leading, trailing, options,
                                    checksumOff, skip));
        return 118;
    }
    void EndRecord() override { log("EndRecord", 0); }
    void QuitRecord() override { log("QuitRecord", 0); }
    std::int32_t ContinueRecord() override { return log("ContinueRecord", 100021); }
    std::int32_t GetNextSec() override { return log("GetNextSec", 100022); }
    std::int16_t GetTemporaryHigh() override { return log("GetTemporaryHigh", 123); }
    std::int16_t GetTemporaryLow() override { return log("GetTemporaryLow", 124); }
    std::int16_t TestChecksum() override { return log("TestChecksum", 125); }
    std::int32_t GetCheckSum() override { return log("GetCheckSum", 100026); }
    std::int16_t GetDrvNumber(std::int16_t firstOrNext) override {
        log_.push_back(detail::call("helper.GetDrvNumber", firstOrNext));
        cursor_ = firstOrNext == 0 ? 0 : cursor_ + 1;
        if (endless) {
            return static_cast<std::int16_t>(3 + cursor_ % 20);
        }
        return cursor_ < drives.size() ? drives[cursor_] : std::int16_t{255};
    }
    void ChangeDrive(std::int16_t drive) override {
        log_.push_back(detail::call("helper.ChangeDrive", drive));
    }

  private:
    template <typename T>
    T log(const char* name, T result) {
        log_.push_back(std::string("helper.") + name + "()");
        return result;
    }

    CallLog& log_;
    std::size_t cursor_ = 0;
};

class RecordingAspi final : public AspiBackend {
  public:
    RecordingAspi(CallLog& log, FakeClock* clock = nullptr) : log_(log), clock_(clock) {}

    bool isLoaded = true;
    int drives = 1;
    int selected = 0;
    // The drive type text StartInterfacing copies back; empty leaves the text alone.
    std::string typeAfterSelection;
    int loadDelayMs = 0;
    // What GetDiskInfo and StartRecord write into the shared records.
    DiscTable tableToReport;
    ExtractionStatistics statisticsToReport;

    bool loaded() const override { return isLoaded; }
    std::int16_t StartInterfacing(const std::string& defaultDrive,
                                  std::string& cdRomType) override {
        log_.push_back("aspi.StartInterfacing(" + defaultDrive + ")");
        if (!typeAfterSelection.empty()) {
            cdRomType = typeAfterSelection;
        }
        return 201;
    }
    int discoverDrives() override {
        log_.push_back("aspi.discoverDrives()");
        return drives;
    }
    void selectDrive(int index) override {
        log_.push_back(detail::call("aspi.selectDrive", index));
        if (index >= 0 && index < drives) {
            selected = index;
        }
    }
    int driveCount() const override { return drives; }
    int selectedDrive() const override { return drives > 0 ? selected : -1; }
    std::string driveName(int index) const override {
        return index >= 0 && index < drives ? "DRIVE " + std::to_string(index) : std::string{};
    }
    std::string managerText() const override { return "recording manager"; }
    int GetDiskInfo(DiscTable& table) override {
        log_.push_back("aspi.GetDiskInfo()");
        table = tableToReport;
        return 256;
    }
    int PlayAudio(std::int32_t start, std::int32_t count) override {
        log_.push_back(detail::call("aspi.PlayAudio", start, count));
        return 204;
    }
    int StopAudio() override { return log("StopAudio", 202); }
    int ResumeAudio() override { return log("ResumeAudio", 203); }
    std::int32_t GetHeadLocation() override { return log("GetHeadLocation", 205); }
    void loadDisc() override {
        log("loadDisc", 0);
        if (clock_ != nullptr) {
            clock_->advance(loadDelayMs);
        }
    }
    void ejectDisc() override { log("ejectDisc", 0); }
    int StartRecord(const RecordRequest& r, const DiscTable&,
                    ExtractionStatistics& statistics) override {
        log_.push_back(detail::call("aspi.StartRecord", r.startSector, r.endSector,
                                    r.leadingSilenceLimit, r.trailingSilenceLimit, r.options,
                                    r.checksumOff, r.skipSectors));
        statistics = statisticsToReport;
        return 206;
    }
    std::int32_t GetNextSec() override { return log("GetNextSec", 207); }

  private:
    template <typename T>
    T log(const char* name, T result) {
        log_.push_back(std::string("aspi.") + name + "()");
        return result;
    }

    CallLog& log_;
    FakeClock* clock_;
};

class RecordingAnalog final : public AnalogBackend {
  public:
    RecordingAnalog(CallLog& log, FakeClock* clock = nullptr) : log_(log), clock_(clock) {}

    int closeDelayMs = 0;
    DiscTable tableToReport;
    ExtractionStatistics statisticsToReport;

    bool soundInputPresent() const override { return true; }
    int GetDiskInfo(int drive, std::uint8_t flag, DiscTable& table) override {
        log_.push_back(detail::call("analog.GetDiskInfo", drive, flag));
        table = tableToReport;
        return 256;
    }
    int PlayAudio(int drive, std::int32_t start, std::int32_t count) override {
        log_.push_back(detail::call("analog.PlayAudio", drive, start, count));
        return 304;
    }
    void StopAudio(int drive) override { log_.push_back(detail::call("analog.StopAudio", drive)); }
    int ResumeAudio(int drive) override {
        log_.push_back(detail::call("analog.ResumeAudio", drive));
        return 303;
    }
    std::int32_t GetHeadLocation() override {
        log_.push_back("analog.GetHeadLocation()");
        return 305;
    }
    void closeDoor(int drive) override {
        log_.push_back(detail::call("analog.closeDoor", drive));
        if (clock_ != nullptr) {
            clock_->advance(closeDelayMs);
        }
    }
    void openDoor(int drive) override { log_.push_back(detail::call("analog.openDoor", drive)); }
    int StartRecord(int drive, const RecordRequest& r, const DiscTable&,
                    ExtractionStatistics& statistics) override {
        log_.push_back(detail::call("analog.StartRecord", drive, r.startSector, r.endSector,
                                    r.leadingSilenceLimit, r.trailingSilenceLimit, r.options,
                                    r.checksumOff, r.skipSectors));
        statistics = statisticsToReport;
        return 306;
    }

  private:
    CallLog& log_;
    FakeClock* clock_;
};

// The log as one line, calls separated by blanks.
inline std::string joined(const CallLog& log) {
    std::string text;
    for (const auto& entry : log) {
        text += text.empty() ? "" : " ";
        text += entry;
    }
    return text;
}

}  // namespace ps::test

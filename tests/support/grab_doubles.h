#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "audio/wave_file.h"
#include "cdaccess/aspi_backend.h"
#include "cdaccess/read_method.h"
#include "grab/grab_job.h"
#include "i18n/text_table.h"
#include "platform/instance_channel.h"
#include "platform/linux/file_system_linux.h"
#include "platform/power.h"
#include "platform/screensaver.h"
#include "support/fake_clock.h"

namespace ps::test {

// An ASPI back-end whose extraction writes a small wave file into the destination (when
// the request writes one) and answers with the scripted results, 1 once the script is
// used up. Every call takes 100 ms of the fake clock.
class ScriptedAspi final : public AspiBackend {
  public:
    ScriptedAspi(FakeClock& clock, std::string destination)
        : clock_(clock), destination_(std::move(destination)) {}

    std::deque<int> results;
    std::vector<RecordRequest> requests;
    ExtractionStatistics statistics{-16000, 24000, 0x1234ABCD, 0};
    // Runs before each extraction that writes a file (a disc swap, a full disk ...).
    std::function<void(const RecordRequest&)> beforeRecord;

    // The extractions that wrote (or tried to write) temp.wav.
    std::vector<RecordRequest> writes() const {
        std::vector<RecordRequest> out;
        for (const auto& r : requests) {
            if (r.writesFile()) {
                out.push_back(r);
            }
        }
        return out;
    }

    bool loaded() const override { return true; }
    std::int16_t StartInterfacing(const std::string&, std::string&) override { return 1; }
    int discoverDrives() override { return 1; }
    void selectDrive(int) override {}
    int driveCount() const override { return 1; }
    int selectedDrive() const override { return 0; }
    std::string driveName(int) const override { return "SCRIPTED"; }
    std::string managerText() const override { return "scripted"; }
    int GetDiskInfo(DiscTable&) override { return 256; }
    int PlayAudio(std::int32_t, std::int32_t) override { return 1; }
    int StopAudio() override { return 1; }
    int ResumeAudio() override { return 1; }
    std::int32_t GetHeadLocation() override { return 0; }
    void loadDisc() override {}
    void ejectDisc() override { ++ejects; }
    std::int32_t GetNextSec() override { return 0; }

    int StartRecord(const RecordRequest& request, const DiscTable&,
                    ExtractionStatistics& out) override {
        clock_.advance(100);
        requests.push_back(request);
        out = statistics;
        if (!request.writesFile()) {
            return record_result::kDone;
        }
        if (beforeRecord) {
            beforeRecord(request);
        }
        const int result = results.empty() ? record_result::kDone : results.front();
        if (!results.empty()) {
            results.pop_front();
        }
        writeWave(request, result);
        return result;
    }

    int ejects = 0;

  private:
    // A complete file for a good read; a header and a little audio for a failed write,
    // as a full disk leaves it; nothing where the extraction deletes its file.
    void writeWave(const RecordRequest& request, int result) {
        const std::string path = destination_ + "/temp.wav";
        if (result == record_result::kSynchLost || result == record_result::kAbortedTrack ||
            result == record_result::kAbortedAll || result == record_result::kNotStarted ||
            result == record_result::kRangeNotInOneTrack) {
            return;
        }
        const std::uint32_t audio = result == record_result::kDone ? 4 * 588 : 100;
        const auto header = WaveHeader::ForDataLength(audio).encode();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(header.data()), header.size());
        // The first sector's number marks whose audio this is.
        const std::string mark = "S" + std::to_string(request.startSector) + ";";
        std::string body(audio, '\0');
        body.replace(0, std::min(mark.size(), body.size()), mark.substr(0, body.size()));
        out.write(body.data(), static_cast<std::streamsize>(body.size()));
    }

    FakeClock& clock_;
    std::string destination_;
};

class RecordingPower final : public PowerControl {
  public:
    int requests = 0;
    bool accept = true;
    bool powerOff() override {
        ++requests;
        return accept;
    }
};

class RecordingScreensaver final : public Screensaver {
  public:
    std::vector<std::string> calls;
    bool held = false;
    bool inhibit(const std::string&, const std::string&) override {
        calls.push_back("inhibit");
        held = true;
        return true;
    }
    void release() override {
        calls.push_back("release");
        held = false;
    }
};

class RecordingChannel final : public InstanceChannel {
  public:
    std::vector<std::string> sent;
    Role claim() override { return Role::Secondary; }
    // Continuous ripping goes to another copy, never to the one that brought this copy up.
    bool sendToPrimary(const std::string&) override { return false; }
    bool listenAsCopy() override { return true; }
    bool sendToAnotherCopy(const std::string& message) override {
        sent.push_back(message);
        return true;
    }
    void setMessageHandler(std::function<void(const std::string&)>) override {}
};

struct ShownMessage {
    std::string text;
    std::string title;
    MessageIcon icon;
};

// Records what the job shows; the abort buttons are pressed by the tests, either at once
// or when a caption appears.
class RecordingGrabUi final : public GrabUi {
  public:
    std::vector<ShownMessage> messages;
    std::vector<std::string> captions;  // every caption of the "Copying" window in order
    std::vector<std::string> countdown;
    bool skip = false;
    bool abortAll = false;
    bool abortShutdown = false;
    int shutdownShown = 0;
    // Called with each new caption (to press a button at a chosen moment).
    std::function<void(const std::string&)> onCaption;

    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        messages.push_back({text, title, icon});
    }
    std::vector<CopyingTrackInfo> shown;
    void showCopying(const CopyingTrackInfo& info) override {
        shown.push_back(info);
        caption(info.caption);
    }
    void setCopyingCaption(const std::string& text) override { caption(text); }
    bool skipRequested() override { return skip; }
    bool abortAllRequested() override { return abortAll; }
    void clearAbortRequests() override { skip = abortAll = false; }
    void showShutdown(const ShutdownTexts&) override { ++shutdownShown; }
    void setShutdownCountdown(const std::string& text) override { countdown.push_back(text); }
    bool shutdownAborted() override { return abortShutdown; }

  private:
    void caption(const std::string& text) {
        captions.push_back(text);
        if (onCaption) {
            onCaption(text);
        }
    }
};

class ScriptedDiscCheck final : public GrabDiscCheck {
  public:
    std::deque<DiscState> states;  // one per check; Same once used up
    std::uint32_t number = 0xABCD;
    int checks = 0;
    DiscState checkDisc() override {
        ++checks;
        if (states.empty()) {
            return DiscState::Same;
        }
        const DiscState state = states.front();
        states.pop_front();
        return state;
    }
    std::uint32_t currentDiscNumber() override { return number; }
};

class RecordingEncoder final : public GrabEncoder {
  public:
    int startResult = 1;
    std::vector<GrabEncodeRequest> started;
    bool finishes = true;
    int startEncoding(const GrabEncodeRequest& request) override {
        started.push_back(request);
        return startResult;
    }
    bool encoderDone() override { return finishes; }
};

class RecordingNormalizer final : public GrabNormalizer {
  public:
    std::vector<std::string> normalized;  // the paths, with whether the file was there
    void normalize(const std::string& wavePath, TrackCopyResults& results) override {
        normalized.push_back(wavePath + (std::filesystem::exists(wavePath) ? "" : " (missing)"));
        results.newPeak = 98;
    }
};

class RecordingHooks final : public GrabJobHooks {
  public:
    std::vector<std::string> calls;
    void setSpeakersMuted(bool muted) override { calls.push_back(muted ? "mute" : "unmute"); }
    bool diskSpaceOk = true;
    std::vector<CopyRange> fades;
    bool confirmDiskSpace() override { return diskSpaceOk; }
    void prepareFades(const CopyRange& range) override { fades.push_back(range); }
    void stopPlayback() override { calls.push_back("stopPlayback"); }
    bool saveSettings() override {
        calls.push_back("saveSettings");
        return true;
    }
    void playGrabbedFiles(const std::vector<GrabbedFile>& files) override {
        calls.push_back("playGrabbedFiles " + std::to_string(files.size()));
    }
};

// A disc of three audio tracks on the scripted drive, a destination and a program
// directory in a scratch directory, and a job over them.
class GrabRig : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device seed;
        root_ = std::filesystem::temp_directory_path() / ("ps_grab_" + std::to_string(seed()));
        std::filesystem::create_directories(root_ / "dest");
        std::filesystem::create_directories(root_ / "home");
        settings.DestinationDirectory = (root_ / "dest").string();
        settings.InternalCodec = false;
        settings.ShowChecksum = true;
        settings.ShortenLastTrack = false;
        settings.PlayClickSounds = false;

        disc.firstTrack = 1;
        disc.lastTrack = 3;
        disc.artist = "Band";
        disc.album = "Live";
        disc.cdPlayerNumber = 0xABCD;
        disc.listReady = true;
        const std::int32_t starts[] = {0, 3000, 9000, 13500};
        for (int t = 1; t <= 3; ++t) {
            TrackRecord& track = disc.tracks[static_cast<std::size_t>(t)];
            track.start = starts[t - 1];
            track.end = starts[t] - 1;
            track.name = "Song " + std::to_string(t);
            track.selected = true;
            disc.rows.push_back(t);
        }
        disc.totalLength = 13500;

        auto aspiBackend = std::make_unique<ScriptedAspi>(clock, Dest().string());
        aspi = aspiBackend.get();
        readMethod = std::make_unique<ReadMethod>(clock, table, statistics, std::move(aspiBackend),
                                                  nullptr, true, ReadMethod::HelperFactory{});
        readMethod->currentAccessMode = access_mode::kAspi;
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    GrabJob& Job() {
        if (!job_) {
            GrabJobParts parts{settings,
                               disc,
                               *readMethod,
                               texts,
                               files,
                               clock,
                               [this] { ++pumps; },
                               ui,
                               discCheck,
                               (root_ / "home").string()};
            parts.hooks = &hooks;
            parts.encoder = encoder;
            parts.normalizer = normalizer;
            parts.screensaver = &screensaver;
            parts.power = &power;
            parts.otherCopies = &channel;
            job_ = std::make_unique<GrabJob>(parts);
        }
        return *job_;
    }

    std::filesystem::path Dest() const { return root_ / "dest"; }
    std::filesystem::path Home() const { return root_ / "home"; }
    static std::string Read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // The files below the destination, sorted, with their audio's sector mark.
    std::vector<std::string> Stored() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Dest())) {
            if (entry.is_regular_file()) {
                const std::string content = Read(entry.path());
                const auto mark = content.find('S', kWaveHeaderSize);
                const std::string tag =
                    mark == std::string::npos
                        ? std::string{}
                        : " " + content.substr(mark, content.find(';', mark) - mark);
                names.push_back(std::filesystem::relative(entry.path(), Dest()).string() + tag);
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    int Status(int track) const {
        return disc.tracks[static_cast<std::size_t>(track)].results.copyStatus;
    }
    const std::string& Info(int track) const {
        return disc.tracks[static_cast<std::size_t>(track)].information;
    }

    std::filesystem::path root_;
    Settings settings;
    DiscRecord disc;
    DiscTable table;
    ExtractionStatistics statistics;
    TextTable texts;
    LinuxFileSystem files;
    FakeClock clock;
    RecordingGrabUi ui;
    ScriptedDiscCheck discCheck;
    RecordingHooks hooks;
    RecordingPower power;
    RecordingScreensaver screensaver;
    RecordingChannel channel;
    RecordingEncoder* encoder = nullptr;
    RecordingNormalizer* normalizer = nullptr;
    ScriptedAspi* aspi = nullptr;
    std::unique_ptr<ReadMethod> readMethod;
    int pumps = 0;

  private:
    std::unique_ptr<GrabJob> job_;
};

}  // namespace ps::test

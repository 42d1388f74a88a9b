#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "cdaccess/aspi_transport.h"
#include "cdaccess/copying_window.h"
#include "cdaccess/extraction.h"
#include "cdaccess/extraction_session.h"
#include "cdaccess/extraction_stored_checksum.h"
#include "cdaccess/scsi_drive.h"
#include "i18n/text_table.h"
#include "support/fake_clock.h"
#include "virtual/disc_image.h"
#include "virtual/virtual_cd_audio.h"
#include "virtual/virtual_pass_through.h"

namespace ps::test {

using Bytes = std::vector<std::uint8_t>;

// Music-like audio: two tones with noise on them, never repeating, so that every
// sector has exactly one place; smooth enough for the byte-order detection.
inline Bytes NoiseAudio(std::size_t sectors, std::uint32_t seed) {
    Bytes bytes(sectors * kRawSectorBytes);
    std::uint32_t state = seed * 2654435761u + 7;
    const std::size_t frames = sectors * kRawSectorBytes / 4;
    for (std::size_t f = 0; f < frames; ++f) {
        for (int channel = 0; channel < 2; ++channel) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>((state >> 12) % 801) - 400;
            const double t = static_cast<double>(f) / (channel == 0 ? 100.37 : 77.91);
            const int sample = static_cast<int>(9500.0 * std::sin(6.283185307179586 * t)) + noise;
            const std::size_t at = f * 4 + static_cast<std::size_t>(channel) * 2;
            bytes[at] = static_cast<std::uint8_t>(sample & 0xFF);
            bytes[at + 1] = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
        }
    }
    return bytes;
}

// A disc of audio tracks (and an optional data track) held in memory.
struct TestDisc {
    std::shared_ptr<DiscImage> image = std::make_shared<DiscImage>();
    std::shared_ptr<std::vector<std::uint8_t>> bytes;

    // Tracks start at the given sectors; the audio is noise with `silentEdges` silent
    // sectors at both ends of the disc.
    static TestDisc make(const std::vector<std::int32_t>& starts, std::int32_t leadOut,
                         int dataTrack = 0, int silentEdges = 0, std::int32_t dataPregap = 0) {
        TestDisc d;
        // The audio is made once and shared by the discs of every test.
        static const Bytes master = NoiseAudio(12000, 3);
        const std::size_t size = static_cast<std::size_t>(leadOut) * kRawSectorBytes;
        d.bytes = std::make_shared<std::vector<std::uint8_t>>(
            master.begin(),
            master.begin() + static_cast<std::ptrdiff_t>(std::min(size, master.size())));
        d.bytes->resize(size, 0);
        std::fill_n(d.bytes->begin(), static_cast<std::size_t>(silentEdges) * kRawSectorBytes, 0);
        std::fill(d.bytes->end() - static_cast<std::ptrdiff_t>(silentEdges) * kRawSectorBytes,
                  d.bytes->end(), 0);
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const int number = static_cast<int>(i) + 1;
            const bool data = number == dataTrack;
            d.image->addTrack({number, data, starts[i], data ? dataPregap : 0, "", ""});
        }
        d.image->setLeadOut(leadOut);
        d.image->addMemory(0, d.bytes);
        return d;
    }
    const std::uint8_t* sector(std::int32_t lba) const {
        return bytes->data() + static_cast<std::size_t>(lba) * kRawSectorBytes;
    }
};

// A directory of its own per test.
class ScratchDir {
  public:
    ScratchDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("ps_extract_" + std::to_string(std::random_device{}()) + "_" +
                 std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    std::string str() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sits between the transport and the virtual pass-through: records every command and
// may change what a read brought before the extraction sees it.
class SpyPassThrough final : public PassThrough {
  public:
    explicit SpyPassThrough(PassThrough& inner) : inner_(inner) {}
    struct Sent {
        std::uint8_t opcode = 0;
        std::int32_t lba = 0;
        int count = 0;
        bool eventNotify = true;
    };
    std::vector<Sent> sent;
    std::function<void(ScsiRequest&, int readIndex)> afterRead;
    int reads = 0;

    int hostAdapterCount() override { return inner_.hostAdapterCount(); }
    HostAdapterInfo inquireHostAdapter(int a) override { return inner_.inquireHostAdapter(a); }
    int deviceType(const ScsiTarget& t) override { return inner_.deviceType(t); }
    std::string deviceNode(const ScsiTarget& t) override { return inner_.deviceNode(t); }
    void send(ScsiRequest& request) override {
        Sent s;
        s.opcode = request.cdb[0];
        s.eventNotify = request.eventNotify;
        if (s.opcode == 0xBE) {
            s.lba = static_cast<std::int32_t>((request.cdb[2] << 24) | (request.cdb[3] << 16) |
                                              (request.cdb[4] << 8) | request.cdb[5]);
            s.count = request.cdb[8];
        }
        sent.push_back(s);
        inner_.send(request);
        if (s.opcode == 0xBE) {
            if (afterRead) {
                afterRead(request, reads);
            }
            ++reads;
        }
    }
    std::uint8_t poll(ScsiRequest& r) override { return inner_.poll(r); }
    bool wait(ScsiRequest& r, int ms) override { return inner_.wait(r, ms); }
    void abandon(ScsiRequest& r) override { inner_.abandon(r); }

    std::vector<Sent> readsSent() const {
        std::vector<Sent> out;
        for (const Sent& s : sent) {
            if (s.opcode == 0xBE) {
                out.push_back(s);
            }
        }
        return out;
    }
    int count(std::uint8_t opcode) const {
        int n = 0;
        for (const Sent& s : sent) {
            n += s.opcode == opcode;
        }
        return n;
    }

  private:
    PassThrough& inner_;
};

// The extraction over a virtual drive with a fake clock, a text table and the model of
// the "Copying" window.
struct ExtractionRig {
    FakeClock clock;
    TestDisc disc;
    std::shared_ptr<VirtualDrive> virtualDrive;
    VirtualPassThrough virtualPass{clock};
    SpyPassThrough spy{virtualPass};
    int pumps = 0;
    std::function<void(int)> onPump;  // called with the pump count
    std::vector<std::string> diagnostics;
    AspiTransport transport{spy, clock,
                            AspiHooks{[this] {
                                          ++pumps;
                                          if (onPump) {
                                              onPump(pumps);
                                          }
                                      },
                                      {},
                                      {},
                                      [this](const std::string& t) { diagnostics.push_back(t); }}};
    std::unique_ptr<VirtualCdAudioDevice> cdAudioDevice;
    DriveCdAudioDevices cdAudio;
    ScsiDrive drive{transport, &cdAudio};
    TextTable texts;
    ExtractionSession session{drive, texts};
    CopyingWindow& window = session.window();
    SynchronisedExtraction& extraction = session.extraction();
    DiscTable table;
    ScratchDir dir;
    ExtractionSettings settings;
    ExtractionStatistics statistics;

    explicit ExtractionRig(TestDisc d, VirtualFaults faults = {}) : disc(std::move(d)) {
        virtualDrive = std::make_shared<VirtualDrive>(clock, disc.image, faults);
        virtualPass.addDrive(virtualDrive, 0);
        cdAudioDevice = std::make_unique<VirtualCdAudioDevice>(virtualDrive);
        cdAudio.add(3, cdAudioDevice.get());
        transport.discoverDrives();
        transport.selectDrive(0);
        const std::vector<int> letters = {3};
        TocReadOptions options;
        options.cdDriveLetters = letters;
        drive.readToc(table, options);
        settings.destinationDirectory = dir.str();
        spy.sent.clear();
    }

    void setFaults(const VirtualFaults& faults) { virtualDrive->setFaults(faults); }

    int rip(std::int32_t start, std::int32_t end, int method, int skip = 0, bool write = true) {
        RecordRequest request;
        request.startSector = start;
        request.endSector = end;
        request.options = write ? RecordRequest::kWriteFile : 0;
        request.skipSectors = static_cast<std::int16_t>(skip);
        settings.synchMethod = method;
        return extraction.StartRecord(request, table, statistics, settings);
    }
    std::string tempWav() const { return dir.file("temp.wav"); }
    bool tempWavExists() const { return std::filesystem::exists(tempWav()); }
    Bytes audio() const {
        Bytes all = ReadFileBytes(tempWav());
        return all.size() >= 44 ? Bytes(all.begin() + 44, all.end()) : Bytes{};
    }
};

// The displacement (bytes, within ±limit) at which `audio` equals the disc from `start`
// on, or a value beyond the limit when it equals it nowhere.
inline std::int64_t MatchOffset(const TestDisc& disc, std::int32_t start, const Bytes& audio,
                                std::int64_t limit) {
    const std::int64_t origin = std::int64_t{start} * kRawSectorBytes;
    for (std::int64_t d = -limit; d <= limit; d += 4) {
        const std::int64_t from = origin + d;
        if (from < 0 || from + static_cast<std::int64_t>(audio.size()) >
                            static_cast<std::int64_t>(disc.bytes->size())) {
            continue;
        }
        if (std::equal(audio.begin(), audio.end(), disc.bytes->begin() + from)) {
            return d;
        }
    }
    return limit + 4;
}

}  // namespace ps::test

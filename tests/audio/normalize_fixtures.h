#pragma once

#include <string>
#include <vector>

#include "audio/audio_fixtures.h"
#include "audio/normalizer.h"

namespace ps::test {

// A wave file of any format around raw audio bytes.
inline Bytes WaveOf(const Bytes& audio, int channels = 2, int rate = 44100, int bits = 16) {
    WaveHeader header = WaveHeader::ForDataLength(static_cast<std::uint32_t>(audio.size()));
    header.channels = static_cast<std::uint16_t>(channels);
    header.sampleRate = static_cast<std::uint32_t>(rate);
    header.bitsPerSample = static_cast<std::uint16_t>(bits);
    header.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    header.bytesPerSecond = static_cast<std::uint32_t>(rate * channels * bits / 8);
    const auto encoded = header.encode();
    Bytes file(encoded.begin(), encoded.end());
    file.insert(file.end(), audio.begin(), audio.end());
    return file;
}

inline Bytes Samples16(const std::vector<int>& samples) {
    Bytes bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        PutSample(bytes, i, samples[i]);
    }
    return bytes;
}

inline std::vector<int> AudioSamples(const std::string& path) {
    const Bytes file = ReadAll(path);
    std::vector<int> samples;
    for (std::size_t i = kWaveHeaderSize; i + 1 < file.size(); i += 2) {
        samples.push_back(static_cast<std::int16_t>(file[i] | (file[i + 1] << 8)));
    }
    return samples;
}

// Blocks of 11,760 silent samples, block k holding the one sample peaks[k] at its centre.
inline std::vector<int> BlocksWithPeaks(const std::vector<int>& peaks) {
    std::vector<int> samples(peaks.size() * kBlockSamples, 0);
    for (std::size_t k = 0; k < peaks.size(); ++k) {
        samples[k * kBlockSamples + kBlockSamples / 2] = peaks[k];
    }
    return samples;
}

// Records what the engines report and stops on request.
class RecordingProgress : public NormalizeProgress {
  public:
    void stage(Stage s, const std::string& name, int index, int count) override {
        stages.push_back(s);
        lastName = name;
        lastIndex = index;
        lastCount = count;
    }
    void describe(const char* key, const std::vector<int>& numbers) override {
        descriptionKey = key;
        descriptionNumbers = numbers;
    }
    void level(int peak) override { lastLevel = peak; }
    void progress(int percent, std::int64_t) override {
        ++progressCalls;
        lastPercent = percent;
        if (!stages.empty() && stages.back() == stopInStage && progressCalls >= stopAfter) {
            stop = true;
        }
    }
    void newValues(const NormalizeStatistics& s) override {
        shownValues = s;
        newValuesStage = stages.empty() ? Stage::FindingPeak : stages.back();
        ++newValuesCalls;
    }
    bool stopRequested() override { return stop; }

    std::vector<Stage> stages;
    std::string lastName;
    int lastIndex = 0;
    int lastCount = 0;
    std::string descriptionKey;
    std::vector<int> descriptionNumbers;
    int lastLevel = -1;
    int progressCalls = 0;
    int lastPercent = -1;
    NormalizeStatistics shownValues;
    Stage newValuesStage = Stage::FindingPeak;
    int newValuesCalls = 0;
    bool stop = false;
    Stage stopInStage = Stage::Modifying;
    int stopAfter = 1 << 30;
};

inline int FilesIn(const TempDir& dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++n;
    }
    return n;
}

}  // namespace ps::test

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <numbers>

#include "virtual/disc_image.h"

namespace ps {
namespace {

constexpr int kRate = 44100;
constexpr int kTableBits = 12;
constexpr int kTableSize = 1 << kTableBits;

struct DemoTrack {
    const char* title;
    int seconds;
    double bpm;
    std::array<double, 4> roots;  // one chord root per bar, in Hz
    double noise;                 // share of the percussive noise
};

// Five short pieces: a tune over chords, with a brushed beat of filtered noise.
constexpr std::array<DemoTrack, 5> kTracks{{
    {"Morning Tones", 26, 96.0, {220.00, 174.61, 261.63, 196.00}, 0.10},
    {"Chord Walk", 30, 112.0, {196.00, 246.94, 164.81, 220.00}, 0.15},
    {"Noise Garden", 22, 128.0, {146.83, 174.61, 130.81, 164.81}, 0.35},
    {"Slow Bells", 28, 72.0, {261.63, 220.00, 174.61, 196.00}, 0.05},
    {"Closing Hymn", 24, 84.0, {174.61, 233.08, 196.00, 261.63}, 0.08},
}};
constexpr int kGapSeconds = 2;

class Synth {
  public:
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;
    Synth() {
        for (int i = 0; i < kTableSize; ++i) {
            sine_[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * i / kTableSize));
        }
    }
    // Phase is a 32-bit fraction of a turn.
    float sine(std::uint32_t phase) const { return table_[phase >> (32 - kTableBits)]; }
    static std::uint32_t step(double hz) {
        return static_cast<std::uint32_t>(hz / kRate * 4294967296.0);
    }

  private:
    std::array<float, kTableSize> sine_{};
    const float* table_ = sine_.data();
};

inline void putSample(std::uint8_t* out, float value) {
    const auto v = static_cast<std::int16_t>(value < 0.0f ? value - 0.5f : value + 0.5f);
    out[0] = static_cast<std::uint8_t>(v & 0xFF);
    out[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// One beat at a time: the pitches and envelope steps are fixed inside a beat, so the
// per-sample work is a few table look-ups and multiplications (fast even unoptimised).
void renderTrack(const Synth& synth, const DemoTrack& t, int index, std::uint8_t* out,
                 std::int64_t frames) {
    const std::int64_t beat = static_cast<std::int64_t>(kRate * 60.0 / t.bpm);
    // The melody steps through the chord's tones; the pattern differs per track.
    constexpr std::array<double, 8> kSteps{1.0, 1.25, 1.5, 2.0, 1.5, 1.25, 1.875, 1.5};
    std::uint32_t noiseState = 0x9E3779B9u * static_cast<std::uint32_t>(index + 1);
    float lowpass = 0.0f;
    std::uint32_t p0 = 0;
    std::uint32_t p1 = 0;
    std::uint32_t p2 = 0;
    std::uint32_t p3 = 0;
    const std::int64_t fade = kRate / 2;
    const float pluckStep = std::exp(-4.0f / static_cast<float>(beat));
    const float hatStep = std::exp(-30.0f / static_cast<float>(beat));
    const float noiseShare = static_cast<float>(t.noise);
    for (std::int64_t beatStart = 0; beatStart < frames; beatStart += beat) {
        const std::int64_t beatIndex = beatStart / beat;
        const double root = t.roots[static_cast<std::size_t>((beatIndex / 4) % 4)];
        const double note =
            root * 2.0 * kSteps[static_cast<std::size_t>((beatIndex + index) % kSteps.size())];
        // Chord pad (root, third, fifth) and a plucked melody with a falling envelope.
        const std::uint32_t s0 = Synth::step(root);
        const std::uint32_t s1 = Synth::step(root * 1.26);
        const std::uint32_t s2 = Synth::step(root * 1.5);
        const std::uint32_t s3 = Synth::step(note);
        float pluck = 1.0f;
        float hatLevel = 1.0f;
        const std::int64_t beatEnd = std::min(frames, beatStart + beat);
        const std::int64_t hatEnd = beatStart + beat / 8;
        std::uint8_t* o = out + 4 * beatStart;
        for (std::int64_t n = beatStart; n < beatEnd; ++n, o += 4) {
            p0 += s0;
            p1 += s1;
            p2 += s2;
            p3 += s3;
            const float pad = 0.16f * (synth.sine(p0) + synth.sine(p1) + synth.sine(p2));
            const std::int64_t inBeat = n - beatStart;
            const float attack = inBeat < 200 ? static_cast<float>(inBeat) / 200.0f : 1.0f;
            const float melody = 0.35f * attack * pluck * synth.sine(p3);
            noiseState = noiseState * 1664525u + 1013904223u;
            const float white =
                static_cast<float>(static_cast<std::int32_t>(noiseState)) / 2147483648.0f;
            lowpass += 0.3f * (white - lowpass);
            const float noise = n < hatEnd ? noiseShare * hatLevel * (white - lowpass) : 0.0f;
            pluck *= pluckStep;
            hatLevel *= hatStep;
            float level = 25600.0f;
            if (n < fade) {
                level = 25600.0f * static_cast<float>(n) / fade;
            } else if (n > frames - fade) {
                level = 25600.0f * static_cast<float>(frames - n) / fade;
            }
            putSample(o, level * (pad + melody * 0.8f + noise));
            putSample(o + 2, level * (pad * 0.9f + melody + noise * 0.7f));
        }
    }
}

}  // namespace

std::shared_ptr<const DiscImage> makeDemoDisc() {
    const Synth synth;
    auto image = std::make_shared<DiscImage>();
    image->setTitles("The Virtual Players", "Platterscoop Demo Disc");
    std::int32_t total = 0;
    for (std::size_t i = 0; i < kTracks.size(); ++i) {
        total +=
            (i == 0 ? 0 : kGapSeconds * kSectorsPerSecond) + kTracks[i].seconds * kSectorsPerSecond;
    }
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(
        static_cast<std::size_t>(total) * kImageSectorBytes, 0);
    std::int32_t cursor = 0;
    for (std::size_t i = 0; i < kTracks.size(); ++i) {
        ImageTrack t;
        t.number = static_cast<int>(i) + 1;
        // The silent gap between two pieces is the next track's pregap (index 0).
        t.pregap = i == 0 ? 0 : kGapSeconds * kSectorsPerSecond;
        cursor += t.pregap;
        t.start = cursor;
        t.title = kTracks[i].title;
        t.performer = "The Virtual Players";
        image->addTrack(t);
        const std::int32_t sectors = kTracks[i].seconds * kSectorsPerSecond;
        renderTrack(synth, kTracks[i], static_cast<int>(i),
                    bytes->data() + static_cast<std::size_t>(cursor) * kImageSectorBytes,
                    static_cast<std::int64_t>(sectors) * 588);
        cursor += sectors;
    }
    image->setLeadOut(cursor);
    image->addMemory(0, std::move(bytes));
    return image;
}

std::shared_ptr<const DiscImage> demoDisc() {
    static std::once_flag once;
    static std::shared_ptr<const DiscImage> disc;
    std::call_once(once, [] { disc = makeDemoDisc(); });
    return disc;
}

}  // namespace ps

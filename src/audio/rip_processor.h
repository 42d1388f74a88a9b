#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/audio_checksum.h"
#include "audio/wave_file.h"

namespace ps {

// Which ends of a rip were silent; the track list shows the checksum accordingly.
enum class RipSilenceKind : int {
    StartsAndEnds = 0,  // " 1A2B3C4D"
    StartsOnly = 1,     // " 1A2B3C4DX"
    EndsOnly = 2,       // " X1A2B3C4D"
    Neither = 3,        // " X1A2B3C4DX"
};

struct RipChecksum {
    std::uint32_t value = 0;
    RipSilenceKind kind = RipSilenceKind::StartsAndEnds;
};

RipSilenceKind SilenceKindOf(bool startsWithSilence, bool endsWithSilence);
// The track list's text: " %08lX" with the X marks of the kind.
std::string RipChecksumText(const RipChecksum& checksum);

// What one rip is, set by the caller before the first batch.
struct RipSetup {
    std::int32_t firstSector = 0;  // S, the first sector delivered to the processing
    std::int32_t lastSector = -1;  // E, included
    int keepLead = 3000;           // silent sectors to keep at the start (3000 keeps all)
    int keepTrail = 3000;          // ... and at the end
    bool write = true;             // false for a test rip and for direct encoding
    bool cdSource = true;          // false for a line-in recording: no analysis
    bool analog = false;           // analog CD mode: trailing threshold 500, ring map
    bool checksumOff = false;
    int byteOrder = 0;    // ASPIInversedByteOrder: 0 detect, 1 as read, 2 swapped
    bool fadeIn = false;  // partial rips
    bool fadeOut = false;
    int fadeSeconds = 0;           // FadeTime
    bool logarithmicFade = false;  // quadratic curve
    // Set for direct encoding: receives every analysed batch, false when encoding failed.
    std::function<bool(const std::uint8_t* data, std::size_t length)> directEncoder;
};

// The per-rip analysis state, reset with the header.
struct RipAnalysis {
    static constexpr int kMapSize = 300;

    std::int32_t currentSector = 0;  // disc number of the next sector to analyse
    int window = 0;                  // W = min(300, N)
    bool probe = false;              // a 26-sector spin-up read, never analysed
    int byteOrder = 0;               // 0 undecided, 1 as read, 2 swapped
    bool started = false;            // a loud sample has been seen
    bool startsWithSilence = false;  // a whole sector was silent before the first loud sample
    bool endsWithSilence = false;    // set when the file is finished
    AudioChecksum checksum;
    int batchPeak = 0;  // largest and smallest sample of the last batch, for the level meter
    int batchLow = 0;
    int trackPeak = 0;  // ... and from the first loud sample of the track on
    int trackLow = 0;
    std::array<std::uint8_t, kMapSize> leadingMap{};   // 1 silent, 0 loud
    std::array<std::uint8_t, kMapSize> trailingMap{};  // analog mode: a ring
    int ringIndex = kMapSize - 1;
    int leadFound = 0;    // silent sectors found at the start
    int trailIndex = -1;  // last trailing-map sector kept (-1: none)
    bool encoderFailed = false;
};

// Byte order, fades, writing and analysis of the sectors of one rip, in disc order.
// One instance serves every rip; its buffers are allocated once.
//
// Per batch of whole sectors the extraction calls, in this order:
//   FixByteOrder(batch, n); ApplyFades(batch, n); WriteBatch(batch, n); AnalyseBatch(batch, n)
// or DeliverBatch(batch, n), which does all four.
class RipProcessor {
  public:
    RipProcessor();

    WaveWriter& writer() { return writer_; }
    const RipAnalysis& analysis() const { return state_; }
    const RipSetup& setup() const { return setup_; }

    // Resets the analysis for the rip and, when writing, writes the provisional header at
    // the start of the writer's open file. 1, or WaveWriteError after closing and deleting
    // the file.
    int BeginWaveFile(const RipSetup& setup);
    void ResetRipAnalysis(const RipSetup& setup);

    // Decides the byte order on the first sectors that tell, then swaps if needed.
    void FixByteOrder(std::uint8_t* batch, int sectors);
    // Fade-in and fade-out of partial rips; the batch starts at the current sector.
    void ApplyFades(std::uint8_t* batch, int sectors);
    // Appends the batch to the file when writing; false when the write did not complete.
    bool WriteBatch(const std::uint8_t* batch, int sectors);
    // Checksum, level, silence maps and trimming; 1 to go on, 0 to stop the extraction.
    int AnalyseBatch(const std::uint8_t* batch, int sectors);
    // The four steps; 1 to go on, 0 to stop, WaveWriteError when the write failed.
    int DeliverBatch(std::uint8_t* batch, int sectors);

    // Records the end silence, completes the header and closes the file.
    void FinishWaveFile();

    RipChecksum Checksum() const;

  private:
    void analyseSector(const std::uint8_t* sector);
    void trimLeading();
    void trimTrailing();

    RipSetup setup_;
    RipAnalysis state_;
    WaveWriter writer_;
    std::vector<std::uint8_t> copyBuffer_;
};

}  // namespace ps

#pragma once

#include <cstdint>

#include "app/settings.h"

namespace ps {

// The sectors the grab job asks the read method for, and the fades due at its ends.
struct CopyRange {
    std::int32_t first = 0;
    std::int32_t last = 0;
    bool fadeIn = false;
    bool fadeOut = false;
    int fadeSeconds = 3;           // FadeTime
    bool logarithmicFade = false;  // LogarithmicFade

    std::int32_t sectors() const { return last - first + 1; }
};

// What the range of one track depends on besides the settings.
struct TrackSpan {
    std::int32_t start = 0;           // the track's first sector
    std::int32_t end = 0;             // its last sector
    bool lastTrackOfDisc = false;     // ShortenLastTrack applies
    std::int32_t discLastSector = 0;  // no range reaches past it
};

// The range of a track: StartOffset and EndOffset applied, 10 sectors off the disc's last
// track with ShortenLastTrack, cut to the disc's end, never before the track start; with
// PartialRips the excerpt of PartialStart and PartialLength seconds and its fades.
CopyRange TrackCopyRange(const Settings& settings, const TrackSpan& span);

// Sectors of silence a rip may keep: tenths of a second x 7.5, or 3000 (never trims)
// when trimming is off.
std::int16_t SilenceLimit(bool trimming, int tenths);

}  // namespace ps

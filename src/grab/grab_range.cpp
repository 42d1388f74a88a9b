#include "grab/grab_range.h"

#include <algorithm>

namespace ps {

namespace {
constexpr std::int32_t kShortenedSectors = 10;
constexpr std::int32_t kSectorsPerSecond = 75;
}  // namespace

CopyRange TrackCopyRange(const Settings& settings, const TrackSpan& span) {
    const std::int32_t s = span.start;
    const std::int32_t e = span.end;
    std::int32_t so = settings.StartOffset;
    std::int32_t eo = settings.EndOffset;
    const bool shortened = span.lastTrackOfDisc && settings.ShortenLastTrack;
    if (shortened) {
        eo -= kShortenedSectors;
    }
    if (e + eo > span.discLastSector) {
        eo = span.discLastSector - e;
    }
    if (s + so < 0) {
        so = 0;
    }

    CopyRange range;
    range.fadeSeconds = settings.FadeTime;
    range.logarithmicFade = settings.LogarithmicFade;
    range.first = s + so;
    range.last = e + eo;
    const std::int32_t ps = settings.PartialStart * kSectorsPerSecond;
    const std::int32_t pl = settings.PartialLength * kSectorsPerSecond;
    if (!settings.PartialRips || (e + eo) - (s + so) <= pl) {
        return range;
    }

    range.first = s + so + ps;
    if ((e + eo) - range.first >= pl) {
        range.last = s + ps + eo + pl - 1 + (shortened ? kShortenedSectors : 0);
        // The shortening exists so that the drive never reads the disc's final sectors;
        // an excerpt reaching the end keeps to it.
        range.last = std::min(range.last, e + eo);
    } else {
        range.first = e + eo - so - pl + 1;
        range.last = e + eo;
    }
    range.fadeIn = settings.PartialFadeIn && range.first != s + so;
    range.fadeOut = settings.PartialFadeOut && range.last != e + eo;
    return range;
}

std::int16_t SilenceLimit(bool trimming, int tenths) {
    if (!trimming) {
        return 3000;
    }
    return static_cast<std::int16_t>(std::clamp(tenths * 15 / 2, 0, 3000));
}

}  // namespace ps

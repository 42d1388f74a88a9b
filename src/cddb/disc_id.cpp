#include "cddb/disc_id.h"

#include <algorithm>
#include <cstdio>

#include "cdaccess/read_method.h"

namespace ps {

namespace {

constexpr std::int64_t kLeadInFrames = 150;
constexpr std::int64_t kFramesPerSecond = 75;

int clampTrack(int track) {
    return std::clamp(track, 0, CddbDiscLayout::kMaxTracks);
}

int digitSum(std::int64_t value) {
    int sum = 0;
    for (; value > 0; value /= 10) {
        sum += static_cast<int>(value % 10);
    }
    return sum;
}

std::string hexText(const char* format, std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<unsigned long>(value));
    return text;
}

}  // namespace

CddbDiscLayout makeCddbDiscLayout(int firstTrack, int lastTrack,
                                  const std::array<std::int32_t, DiscTable::kMaxTracks + 1>& starts,
                                  std::int32_t discLength) {
    CddbDiscLayout layout;
    layout.lastTrack = clampTrack(lastTrack);
    layout.trackStart = starts;
    layout.trackStart[0] = 0;
    layout.discLength = discLength;
    const int first = std::max(1, clampTrack(firstTrack));
    std::int64_t greatest = 0;
    bool any = false;
    for (int track = first; track <= layout.lastTrack; ++track) {
        const std::int64_t end = track < layout.lastTrack
                                     ? std::int64_t{starts[track + 1]} - 1
                                     : std::int64_t{starts[first]} + discLength - 1;
        greatest = any ? std::max(greatest, end) : end;
        any = true;
    }
    layout.lastFrame = static_cast<std::int32_t>(greatest);
    return layout;
}

CddbDiscLayout cddbDiscLayout(ReadMethod& readMethod) {
    const int last = clampTrack(readMethod.GetHighest());
    std::array<std::int32_t, DiscTable::kMaxTracks + 1> starts{};
    for (int track = 1; track <= last; ++track) {
        starts[track] = readMethod.GetTrackInfo(static_cast<std::int16_t>(track));
    }
    std::int32_t length = readMethod.GetTotalTime();
    if (readMethod.currentAccessMode == access_mode::kMscdex) {
        length -= readMethod.GetTrackInfo(1);
    }
    return makeCddbDiscLayout(readMethod.GetLowest(), last, starts, length);
}

std::uint32_t cddbDiscId(const CddbDiscLayout& layout) {
    const int last = clampTrack(layout.lastTrack);
    std::int64_t checksum = 0;
    for (int track = 1; track <= last; ++track) {
        checksum += digitSum((layout.trackStart[track] + kLeadInFrames) / kFramesPerSecond);
    }
    const std::int64_t start1 = layout.trackStart[1];
    const std::int64_t seconds =
        (start1 + layout.discLength) / kFramesPerSecond - start1 / kFramesPerSecond;
    return (static_cast<std::uint32_t>(checksum % 255) << 24) |
           (static_cast<std::uint32_t>(seconds) << 8) | static_cast<std::uint32_t>(last);
}

std::int32_t discLengthSeconds(const CddbDiscLayout& layout) {
    const std::int64_t lastFrame = layout.lastTrack > 0 ? layout.lastFrame : 0;
    return static_cast<std::int32_t>((lastFrame + 1) / kFramesPerSecond + 2);
}

std::vector<std::int32_t> trackFrameOffsets(const CddbDiscLayout& layout) {
    std::vector<std::int32_t> offsets;
    for (int track = 1; track <= clampTrack(layout.lastTrack); ++track) {
        offsets.push_back(layout.trackStart[track] + static_cast<std::int32_t>(kLeadInFrames));
    }
    return offsets;
}

std::uint32_t computeCddbDiscId(const CddbDiscLayout& layout, CddbDiscNumbers& numbers) {
    numbers.discLengthSeconds = discLengthSeconds(layout);
    return cddbDiscId(layout);
}

std::string cddbDiscIdProtocolText(std::uint32_t id) {
    return hexText("%08lx", id);
}

std::string cddbDiscIdDisplayText(std::uint32_t id) {
    return hexText("%08lX", id);
}

std::string cdPlayerDiscNumberText(std::uint32_t number) {
    return hexText("%lX", number);
}

}  // namespace ps

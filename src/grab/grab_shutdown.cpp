#include "grab/grab_shutdown.h"

#include <algorithm>
#include <cstdio>

#include "platform/clock.h"
#include "platform/power.h"

namespace ps {

namespace {

// Waits while pumping; false when the window's abort came first.
bool waitSecond(const ShutdownParts& parts, std::int64_t milliseconds) {
    const std::int64_t deadline = parts.clock.nowMs() + milliseconds;
    for (;;) {
        if (parts.pump) {
            parts.pump();
        }
        if (parts.ui.shutdownAborted()) {
            return false;
        }
        const std::int64_t left = deadline - parts.clock.nowMs();
        if (left <= 0) {
            return true;
        }
        parts.clock.sleepMs(static_cast<int>(std::min<std::int64_t>(left, 50)));
    }
}

}  // namespace

std::string ShutdownCountdownText(int seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d:%02d", seconds / 60, seconds % 60);
    return buffer;
}

bool RunShutdownCountdown(const ShutdownParts& parts) {
    parts.ui.showShutdown({std::string(parts.texts.text("CaptionShutdown")),
                           std::string(parts.texts.text("Text1Shutdown")),
                           std::string(parts.texts.text("Text2Shutdown"))});
    bool aborted = false;
    for (int left = std::max<int>(parts.settings.ShutDownDelay, 0); left >= 0; --left) {
        parts.ui.setShutdownCountdown(ShutdownCountdownText(left));
        if (left > 0 && !waitSecond(parts, 1000)) {
            aborted = true;
            break;
        }
    }
    if (!aborted && parts.ui.shutdownAborted()) {
        aborted = true;
    }
    parts.ui.hideShutdown();
    if (aborted) {
        return false;
    }
    if (parts.settings.StartPlaying) {
        parts.hooks.stopPlayback();
        parts.clock.sleepMs(1000);
    }
    parts.hooks.saveSettings();
    return parts.power != nullptr && parts.power->powerOff();
}

}  // namespace ps

#pragma once

#include <functional>

#include "grab/grab_job.h"

namespace ps {

class Clock;
class PowerControl;

// The shut-down window: counts ShutDownDelay seconds down ("%d:%02d") while the user
// interface stays responsive; unless its "&Abort" was pressed, stops playback and waits
// a second (with StartPlaying), writes the settings and asks the system to power off.
// True when the power-off was requested and accepted.
struct ShutdownParts {
    const Settings& settings;
    const TextTable& texts;
    Clock& clock;
    std::function<void()> pump;
    GrabUi& ui;
    GrabJobHooks& hooks;
    PowerControl* power = nullptr;
};

bool RunShutdownCountdown(const ShutdownParts& parts);

// "%d:%02d" of a number of seconds.
std::string ShutdownCountdownText(int seconds);

}  // namespace ps

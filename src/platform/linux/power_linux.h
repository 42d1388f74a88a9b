#pragma once

#include <functional>

#include "platform/power.h"

namespace ps {

// Powers the computer off through systemd-logind (org.freedesktop.login1.Manager.PowerOff
// on the system bus, without interactive authorisation); when logind is absent or refuses,
// runs `systemctl poweroff`.
class LogindPowerControl final : public PowerControl {
  public:
    // The fallback runs when logind did not take the request; by default it runs
    // `systemctl poweroff` and answers whether it exited with 0.
    explicit LogindPowerControl(std::function<bool()> fallback = {});

    bool powerOff() override;

    // Only the logind request; true when logind accepted it.
    static bool requestLogindPowerOff();
    static bool runSystemctlPowerOff();

  private:
    std::function<bool()> fallback_;
};

}  // namespace ps

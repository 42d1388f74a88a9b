#pragma once

#include <cstdint>
#include <optional>

#include "platform/screensaver.h"

namespace ps {

// org.freedesktop.ScreenSaver Inhibit and UnInhibit on the session bus. Without a
// screensaver service the requests are refused and nothing is held.
class DbusScreensaver final : public Screensaver {
  public:
    ~DbusScreensaver() override;

    bool inhibit(const std::string& application, const std::string& reason) override;
    void release() override;

  private:
    std::optional<std::uint32_t> cookie_;
};

}  // namespace ps

#pragma once

#include "cddb/disc_number.h"
#include "grab/grab_job.h"

namespace ps {

// The grab job's disc check over the program's disc identification: the disc is the
// listed one when identifying without storing says it is unchanged; otherwise a drive
// that gives no disc number holds no disc.
class IdentifierDiscCheck final : public GrabDiscCheck {
  public:
    IdentifierDiscCheck(DiscIdentifier& identifier, std::uint32_t& cddbId)
        : identifier_(identifier), cddbId_(cddbId) {}

    DiscState checkDisc() override;
    std::uint32_t currentDiscNumber() override { return identifier_.findDiscNumber(); }
    std::uint32_t cddbId() override { return cddbId_; }

  private:
    DiscIdentifier& identifier_;
    std::uint32_t& cddbId_;
};

}  // namespace ps

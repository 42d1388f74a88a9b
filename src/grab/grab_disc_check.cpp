#include "grab/grab_disc_check.h"

namespace ps {

DiscState IdentifierDiscCheck::checkDisc() {
    if (identifier_.discUnchanged()) {
        return DiscState::Same;
    }
    return identifier_.findDiscNumber() == 0 ? DiscState::NotReady : DiscState::Other;
}

}  // namespace ps

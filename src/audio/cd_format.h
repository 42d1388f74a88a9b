#pragma once

#include <cstddef>

namespace ps {

// One CD audio sector: 588 stereo frames of 16-bit samples, 1/75 second.
inline constexpr std::size_t kSectorBytes = 2352;

}  // namespace ps

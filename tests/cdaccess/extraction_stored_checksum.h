#pragma once

#include <cstdint>
#include <string>

namespace ps::test {

// The checksum tool's answer for a stored wave file. Kept in a file of its own: the audio
// headers and the virtual drive's headers do not go into one translation unit.
struct StoredChecksum {
    bool done = false;
    std::uint32_t checksum = 0;
    bool startsWithSilence = false;
    bool endsWithSilence = false;
};
StoredChecksum StoredFileChecksum(const std::string& path);

}  // namespace ps::test

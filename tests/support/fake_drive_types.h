#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/drive_types.h"

namespace ps::test {

// Drive types from a list of CD-ROM drive indices (3 = D:).
class FakeDriveTypes final : public DriveTypes {
  public:
    explicit FakeDriveTypes(std::vector<int> cdRomDrives = {}) : cdRoms(std::move(cdRomDrives)) {}

    std::vector<int> cdRoms;

    bool isCdRom(int driveIndex) override {
        return std::find(cdRoms.begin(), cdRoms.end(), driveIndex) != cdRoms.end();
    }
    std::string deviceNode(int driveIndex) override {
        const auto it = std::find(cdRoms.begin(), cdRoms.end(), driveIndex);
        return it == cdRoms.end() ? std::string{} : "/dev/sr" + std::to_string(it - cdRoms.begin());
    }
};

}  // namespace ps::test

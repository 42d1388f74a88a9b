#pragma once

#include <string>

namespace ps {

// Which drive letters stand for CD-ROM drives. Drives are named by index, 0 being A: and
// 25 Z:. On Linux the CD device nodes take the letters from D on, in node order (D is
// /dev/sr0, E the next), and virtual drives the letters after the real ones.
class DriveTypes {
  public:
    static constexpr int kDriveLetters = 26;

    virtual ~DriveTypes() = default;
    // True when the drive with that index (0..25) is a CD-ROM drive.
    virtual bool isCdRom(int driveIndex) = 0;
    // The device the drive letter stands for ("/dev/sr0", "virtual"); empty when none.
    virtual std::string deviceNode(int driveIndex) = 0;
};

}  // namespace ps

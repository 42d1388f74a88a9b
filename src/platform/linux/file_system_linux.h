#pragma once

#include "platform/file_system.h"

namespace ps {

// renameat2 with RENAME_NOREPLACE; on file systems without it, link then unlink, which
// fails just as safely when the target exists.
class LinuxFileSystem final : public FileSystem {
  public:
    MoveResult moveWithoutReplace(const std::string& from, const std::string& to) override;
    bool ensureDirectory(const std::string& path) override;
};

}  // namespace ps

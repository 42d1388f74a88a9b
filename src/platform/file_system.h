#pragma once

#include <string>

namespace ps {

enum class MoveResult {
    Moved,
    TargetExists,  // nothing was changed: the target name is taken
    Failed,        // nothing was changed for another reason (no source, no permission, ...)
};

// The few file-system operations whose guarantees standard C++ cannot give. Paths are
// file-system paths (UTF-8 on Linux).
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Gives `from` the name `to`, never replacing a file that already has that name,
    // even when another process creates it at the same moment.
    virtual MoveResult moveWithoutReplace(const std::string& from, const std::string& to) = 0;

    // Makes sure `path` is a directory, creating it (its parent must exist). True when it
    // is a directory afterwards.
    virtual bool ensureDirectory(const std::string& path) = 0;
};

}  // namespace ps

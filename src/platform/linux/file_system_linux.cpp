#include "platform/linux/file_system_linux.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace ps {

namespace {

MoveResult linkThenUnlink(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno == EEXIST ? MoveResult::TargetExists : MoveResult::Failed;
    }
    if (::unlink(from.c_str()) != 0) {
        // Leave exactly one name behind, as a rename would.
        ::unlink(to.c_str());
        return MoveResult::Failed;
    }
    return MoveResult::Moved;
}

}  // namespace

MoveResult LinuxFileSystem::moveWithoutReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return MoveResult::Moved;
    }
    switch (errno) {
        case EEXIST:
            return MoveResult::TargetExists;
        case EINVAL:
        case ENOSYS:
        case ENOTSUP:
            return linkThenUnlink(from, to);
        default:
            return MoveResult::Failed;
    }
}

bool LinuxFileSystem::ensureDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) {
        return true;
    }
    struct stat info {};
    return errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace ps

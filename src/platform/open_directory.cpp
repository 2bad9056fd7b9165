#include "platform/open_directory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/posix_file.h"

namespace roruvez {

OpenDirectory::OpenDirectory(std::string path, Whereabouts whereabouts)
    : path_(std::move(path)), whereabouts_(std::move(whereabouts)) {
    // Read access, not O_PATH: a flushed output flushes its directory through this descriptor.
    fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        throwErrno(errno, path_);
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        const int failure = errno;
        ::close(fd_);
        throwErrno(failure, path_);
    }
    device_ = info.st_dev;
    inode_ = info.st_ino;
}

OpenDirectory::~OpenDirectory() {
    ::close(fd_);
}

std::string OpenDirectory::pathOf(const std::string& name) const {
    return pathInDirectory(path_, name);
}

void OpenDirectory::verify() const {
    const std::string now = whereabouts_ ? whereabouts_() : path_;
    struct stat info {};
    if (::stat(now.c_str(), &info) != 0) {
        throwErrno(errno, now);
    }
    if (info.st_dev != device_ || info.st_ino != inode_) {
        throw PlatformError(error_text::kDirectoryChanged, now);
    }
}

bool OpenDirectory::isAt(const std::string& path) const {
    // Asked of the file system itself: a FUSE mount's cache may still describe this directory
    // under a path that another client of a share has given to another.
    struct statx info {};
    return freshStatus(AT_FDCWD, path.c_str(), 0, info) == 0 &&
           makedev(info.stx_dev_major, info.stx_dev_minor) == device_ && info.stx_ino == inode_;
}

std::string OpenDirectory::whereNow(const std::string& name, bool notUnderPath) const {
    if (!notUnderPath && isAt(whereabouts_ ? whereabouts_() : path_)) {
        return pathOf(name);
    }
    // The kernel follows a move it made itself; a share changed behind its mount it cannot.
    char target[4096];
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    const ssize_t length = ::readlink(self.c_str(), target, sizeof target - 1);
    if (length > 0 && target[0] == '/') {
        const std::string moved(target, static_cast<std::size_t>(length));
        std::string began = path_;
        while (began.size() > 1 && began.back() == '/') {
            began.pop_back();
        }
        if (moved != began && isAt(moved)) {
            return pathInDirectory(moved + "/", name);
        }
    }
    return name + " in the directory that was " + path_ +
           " when the job began, which has been moved or replaced since";
}

}  // namespace roruvez

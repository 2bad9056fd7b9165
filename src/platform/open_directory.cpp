#include "platform/open_directory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/error.h"
#include "platform/paths.h"

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

}  // namespace roruvez

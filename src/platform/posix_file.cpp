#include "platform/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"

namespace roruvez {

PosixFile::PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

PosixFile::~PosixFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

namespace {

// Moves size bytes by calling step with the bytes done so far, again after an interrupted call;
// returns fewer only when a step moves nothing.
template <class Step>
std::size_t moveAll(std::size_t size, const std::string& path, Step step) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t moved = step(done);
        if (moved < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(errno, path);
        }
        if (moved == 0) {
            break;
        }
        done += static_cast<std::size_t>(moved);
    }
    return done;
}

}  // namespace

std::size_t PosixFile::read(std::byte* data, std::size_t size) {
    return moveAll(size, path_,
                   [&](std::size_t done) { return ::read(checkedFd(), data + done, size - done); });
}

void PosixFile::write(const std::byte* data, std::size_t size) {
    const std::size_t put = moveAll(size, path_, [&](std::size_t done) {
        return ::write(checkedFd(), data + done, size - done);
    });
    if (put < size) {
        throwErrno(ENOSPC, path_);
    }
}

FileStatus PosixFile::status() const {
    struct statx info {};
    if (freshStatus(checkedFd(), "", AT_EMPTY_PATH, info) != 0) {
        throwErrno(errno, path_);
    }
    return fileStatusOf(info);
}

int freshStatus(int directoryFd, const char* name, int flags, struct statx& info) {
    return ::statx(directoryFd, name, flags | AT_STATX_FORCE_SYNC, STATX_BASIC_STATS, &info);
}

FileStatus fileStatusOf(const struct statx& info) {
    return FileStatus{
        static_cast<std::uint64_t>(makedev(info.stx_dev_major, info.stx_dev_minor)),
        static_cast<std::uint64_t>(info.stx_ino), static_cast<std::int64_t>(info.stx_size),
        static_cast<std::int64_t>(info.stx_mtime.tv_sec) * 1000000000 + info.stx_mtime.tv_nsec,
        static_cast<std::int64_t>(info.stx_ctime.tv_sec) * 1000000000 + info.stx_ctime.tv_nsec};
}

FileStatus fileStatusOf(const struct stat& info) {
    return FileStatus{
        static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
        static_cast<std::int64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
        static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

void PosixFile::close() {
    if (fd_ < 0) {
        return;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        throwErrno(errno, path_);
    }
}

int PosixFile::checkedFd() const {
    if (fd_ < 0) {
        throwErrno(EBADF, path_);
    }
    return fd_;
}

bool entryIs(int directoryFd, const char* name, const FileStatus& file) {
    struct stat entry {};
    return ::fstatat(directoryFd, name, &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
           fileStatusOf(entry).sameFile(file);
}

}  // namespace roruvez

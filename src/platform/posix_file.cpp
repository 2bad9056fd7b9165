#include "platform/posix_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

#include "platform/copy_choice.h"
#include "platform/error.h"

namespace roruvez {

namespace {

// The device of a regular file; nothing for anything else, which only the buffer copies.
std::optional<std::uint64_t> regularFileDevice(int fd) {
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_dev);
}

std::int64_t nanosecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                start)
        .count();
}

}  // namespace

PosixFile::PosixFile(int fd, std::string path, CopyChoices& choices)
    : fd_(fd), path_(std::move(path)), choices_(choices) {}

PosixFile::~PosixFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::size_t PosixFile::read(std::byte* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(checkedFd(), data + done, size - done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(errno, path_);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void PosixFile::write(const std::byte* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(checkedFd(), data + done, size - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(errno, path_);
        }
        if (put == 0) {
            throwErrno(ENOSPC, path_);
        }
        done += static_cast<std::size_t>(put);
    }
}

void PosixFile::copyTo(OpenFile& to, std::int64_t count, std::vector<std::byte>& buffer,
                       const CopyProgress& progress) {
    auto* target = dynamic_cast<PosixFile*>(&to);
    const auto fromDevice = regularFileDevice(fd_);
    const auto toDevice = target == nullptr ? std::nullopt : regularFileDevice(target->fd_);
    if (!fromDevice || !toDevice) {
        OpenFile::copyTo(to, count, buffer, progress);
        return;
    }
    CopyChoice& choice = choices_.between(*fromDevice, *toDevice);
    std::int64_t done = 0;
    while (done < count) {
        const auto block = static_cast<std::size_t>(
            std::min<std::int64_t>(count - done, static_cast<std::int64_t>(to.copyBlockSize())));
        const CopyWay way = choice.next();
        const auto start = std::chrono::steady_clock::now();
        std::size_t copied = 0;
        if (way == CopyWay::Kernel) {
            copied = copyInKernel(*target, block, choice);
        }
        if (copied < block) {
            copyBlock(to, block - copied, buffer);
        }
        choice.took(way, block, kCopyBlock, nanosecondsSince(start));
        done += static_cast<std::int64_t>(block);
        blockCopied(to, done, progress);
    }
    copyEnded(to, count, progress);
}

std::size_t PosixFile::copyInKernel(PosixFile& to, std::size_t size, CopyChoice& choice) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t copied =
            ::copy_file_range(checkedFd(), nullptr, to.checkedFd(), nullptr, size - done, 0);
        if (copied > 0) {
            done += static_cast<std::size_t>(copied);
            continue;
        }
        if (copied == 0) {
            throw PlatformError(error_text::kInputPastEnd, path_);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
            errno != EBADF && errno != EPERM) {
            throwErrno(errno, to.path_);
        }
        // Not between these files: the buffer copies the rest.
        choice.refuseKernel();
        break;
    }
    return done;
}

FileStatus PosixFile::status() const {
    struct stat info {};
    if (::fstat(checkedFd(), &info) != 0) {
        throwErrno(errno, path_);
    }
    return fileStatusOf(info);
}

FileStatus fileStatusOf(const struct stat& info) {
    return FileStatus{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino),
                      static_cast<std::int64_t>(info.st_size)};
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

}  // namespace roruvez

#include "platform/open_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/error.h"

namespace roruvez {

namespace {

// What copy_file_range answers for files it cannot copy between: different file systems on older
// kernels, pipes and devices, file systems without it, files a security policy keeps it from.
bool kernelCannotCopy(int errnum) {
    return errnum == EXDEV || errnum == EINVAL || errnum == ENOSYS || errnum == EOPNOTSUPP ||
           errnum == EBADF || errnum == EPERM;
}

// The block after one of `block` bytes that took `took`, where the job's blocks were `current`
// long. A short last block that was quick says nothing of the next copy's.
std::size_t nextBlockSize(std::size_t current, std::size_t block,
                          std::chrono::steady_clock::duration took) {
    constexpr std::chrono::milliseconds kQuick{4};
    constexpr std::chrono::milliseconds kSlow{16};
    if (took < kQuick) {
        return std::max(current, std::min(2 * block, kLargestCopyBlock));
    }
    if (took > kSlow) {
        return std::max(kCopyBlock, std::min(current, block / 2));
    }
    return current;
}

// What a copy has put on `to`'s medium when done bytes of it are written; less than nothing
// while bytes written before the copy (a piece's header) are not on it yet.
std::int64_t onMedium(const OpenFile& to, std::int64_t done) {
    return done - to.notYetOnMedium();
}

}  // namespace

void OpenFile::readExact(std::byte* data, std::size_t size) {
    if (read(data, size) != size) {
        throw PlatformError(error_text::kInputPastEnd, path());
    }
}

void OpenFile::readExactAt(std::byte* data, std::size_t size, std::int64_t offset) {
    const int fd = descriptor();
    for (std::size_t done = 0; done < size;) {
        const ssize_t got = fd < 0 ? (errno = EBADF, -1)
                                   : ::pread(fd, data + done, size - done,
                                             static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throwErrno(errno, path());
        }
        if (got == 0) {
            throw PlatformError(error_text::kInputPastEnd, path());
        }
        done += static_cast<std::size_t>(got);
    }
}

void OpenFile::writeAt(const std::byte* data, std::size_t size, std::int64_t offset) {
    const int fd = descriptor();
    for (std::size_t done = 0; done < size;) {
        const ssize_t put = fd < 0
                                ? (errno = EBADF, -1)
                                : ::pwrite(fd, data + done, size - done,
                                           static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            throwErrno(put < 0 ? errno : ENOSPC, path());
        }
        done += static_cast<std::size_t>(put);
    }
}

void OpenFile::copyThrough(OpenFile& to, std::size_t size, CopyBuffer& buffer, CopyTap* tap) {
    while (size > 0) {
        const std::size_t part = std::min(size, kCopyBlock);
        std::byte* data = nullptr;
        if (tap != nullptr) {
            data = tap->block();
        } else {
            buffer.bytes.resize(part);
            data = buffer.bytes.data();
        }
        readExact(data, part);
        if (tap != nullptr) {
            tap->filled(part);
        }
        to.write(data, part);
        size -= part;
    }
}

void OpenFile::blockCopied(OpenFile& to, std::int64_t done, const CopyProgress& progress) {
    if (!progress) {
        to.copied({});
        return;
    }
    const auto report = [&] { progress(onMedium(to, done)); };
    to.copied(report);
    report();
}

void OpenFile::copyEnded(OpenFile& to, std::int64_t count, const CopyProgress& progress) {
    if (to.notYetOnMedium() == 0) {
        return;
    }
    to.settle(progress ? WhileWaiting([&] { progress(onMedium(to, count)); }) : WhileWaiting());
    if (progress) {
        progress(count);
    }
}

void OpenFile::copyTo(OpenFile& to, std::int64_t count, CopyBuffer& buffer,
                      const CopyProgress& progress, CopyTap* tap) {
    if (tap != nullptr && !tap->wanted()) {
        tap = nullptr;
    }
    // The kernel's copy is seen by no tap.
    bool inKernel = tap == nullptr && descriptor() >= 0 && to.descriptor() >= 0;
    std::int64_t done = 0;
    while (done < count) {
        const auto block = static_cast<std::size_t>(std::min<std::int64_t>(
            count - done,
            static_cast<std::int64_t>(std::min(buffer.blockSize, to.copyBlockSize()))));
        const auto start = std::chrono::steady_clock::now();
        std::size_t copied = 0;
        if (inKernel) {
            copied = copyInKernel(to, block);
            inKernel = copied == block;
        }
        if (copied < block) {
            copyThrough(to, block - copied, buffer, tap);
        }
        buffer.blockSize =
            nextBlockSize(buffer.blockSize, block, std::chrono::steady_clock::now() - start);
        done += static_cast<std::int64_t>(block);
        blockCopied(to, done, progress);
    }
    copyEnded(to, count, progress);
}

std::size_t OpenFile::copyInKernel(OpenFile& to, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t copied =
            ::copy_file_range(descriptor(), nullptr, to.descriptor(), nullptr, size - done, 0);
        if (copied > 0) {
            done += static_cast<std::size_t>(copied);
            continue;
        }
        if (copied == 0) {
            throw PlatformError(error_text::kInputPastEnd, path());
        }
        if (errno == EINTR) {
            continue;
        }
        if (!kernelCannotCopy(errno)) {
            throwErrno(errno, to.path());
        }
        break;
    }
    return done;
}

}  // namespace roruvez

#include "platform/open_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/error.h"

namespace roruvez {

namespace {

// What copy_file_range answers for files it cannot copy between: different file systems on older
// kernels, pipes and devices, file systems without it, files a security policy keeps it from.
bool kernelCannotCopy(int errnum) {
    return errnum == EXDEV || errnum == EINVAL || errnum == ENOSYS || errnum == EOPNOTSUPP ||
           errnum == EBADF || errnum == EPERM;
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

void OpenFile::copyBlock(OpenFile& to, std::size_t size, std::vector<std::byte>& buffer) {
    buffer.resize(size);
    readExact(buffer.data(), size);
    to.write(buffer.data(), size);
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

void OpenFile::copyTo(OpenFile& to, std::int64_t count, std::vector<std::byte>& buffer,
                      const CopyProgress& progress) {
    bool inKernel = descriptor() >= 0 && to.descriptor() >= 0;
    std::int64_t done = 0;
    while (done < count) {
        const auto block = static_cast<std::size_t>(
            std::min<std::int64_t>(count - done, static_cast<std::int64_t>(to.copyBlockSize())));
        std::size_t copied = 0;
        if (inKernel) {
            copied = copyInKernel(to, block);
            inKernel = copied == block;
        }
        if (copied < block) {
            copyBlock(to, block - copied, buffer);
        }
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

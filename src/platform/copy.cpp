#include "platform/copy.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/error.h"
#include "platform/file_system.h"

namespace roruvez {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

// Returns the bytes copied in the kernel; stops early when the kernel cannot copy between
// these files, leaving the rest to the buffer.
std::int64_t copyInKernel(OpenFile& from, OpenFile& to, std::int64_t count,
                          const std::function<void(std::int64_t)>& progress) {
    const int in = from.descriptor();
    const int out = to.descriptor();
    if (in < 0 || out < 0) {
        return 0;
    }
    std::int64_t done = 0;
    while (done < count) {
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(count - done, 8 * kBlock));
        const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
        if (copied < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (done == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                              errno == EOPNOTSUPP || errno == EBADF || errno == EPERM)) {
                return 0;
            }
            if (errno == ENOSPC || errno == EIO || errno == EFBIG || errno == EDQUOT) {
                throwErrno(errno, to.path());
            }
            // Anything else: let the buffered copy go on from here and report what it meets.
            return done;
        }
        if (copied == 0) {
            throw PlatformError(error_text::kInputPastEnd, from.path());
        }
        done += copied;
        if (progress) {
            progress(done);
        }
    }
    return done;
}

}  // namespace

void readExact(OpenFile& from, std::byte* data, std::size_t size) {
    if (from.read(data, size) != size) {
        throw PlatformError(error_text::kInputPastEnd, from.path());
    }
}

void copyExact(OpenFile& from, OpenFile& to, std::int64_t count, std::vector<std::byte>& buffer,
               const std::function<void(std::int64_t)>& progress) {
    std::int64_t done = copyInKernel(from, to, count, progress);
    while (done < count) {
        const auto block = static_cast<std::size_t>(
            std::min<std::int64_t>(count - done, static_cast<std::int64_t>(kBlock)));
        buffer.resize(block);
        readExact(from, buffer.data(), block);
        to.write(buffer.data(), block);
        done += static_cast<std::int64_t>(block);
        if (progress) {
            progress(done);
        }
    }
}

}  // namespace roruvez

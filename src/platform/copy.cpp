#include "platform/copy.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/error.h"
#include "platform/file_system.h"

namespace roruvez {

namespace {

// The buffered copy, for what neither the mapping nor the kernel can copy (pipes, devices).
constexpr std::size_t kBlock = std::size_t{1} << 20;
// Below this a mapping costs more than it saves; the kernel's copy takes such ranges.
constexpr std::int64_t kMapFrom = std::int64_t{256} << 10;
// How much of the source is mapped at a time. Large writes let the page cache take the bytes
// in large folios; the window bounds the resident memory of the copy.
constexpr std::int64_t kWindow = std::int64_t{4} << 20;

// Unmaps on every way out, so a failed copy leaves no window behind.
class Window {
  public:
    Window(int fd, off_t offset, std::size_t size)
        : size_(size),
          address_(::mmap(nullptr, size, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, offset)) {}
    ~Window() {
        if (address_ != MAP_FAILED) {
            ::munmap(address_, size_);
        }
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    bool mapped() const { return address_ != MAP_FAILED; }
    const char* at(std::size_t offset) const { return static_cast<const char*>(address_) + offset; }

  private:
    std::size_t size_;
    void* address_;
};

// Writes a mapped range. The mapping is only ever read by the kernel, inside write(): pages that
// a shrinking source took away make write() fail with EFAULT or stop short, never a signal.
void writeMapped(OpenFile& from, OpenFile& to, int out, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(out, data + done, size - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EFAULT) {
                throw PlatformError(error_text::kInputPastEnd, from.path());
            }
            throwErrno(errno, to.path());
        }
        if (put == 0) {
            throwErrno(ENOSPC, to.path());
        }
        done += static_cast<std::size_t>(put);
    }
}

// Copies through windows mapped from the source: one copy of each byte, in the kernel. Returns
// 0 without copying when the source cannot be mapped, leaving the copy to the buffer.
std::int64_t copyMapped(OpenFile& from, OpenFile& to, std::int64_t count,
                        const std::function<void(std::int64_t)>& progress) {
    const int in = from.descriptor();
    const int out = to.descriptor();
    struct stat info {};
    if (in < 0 || out < 0 || ::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        return 0;
    }
    const off_t start = ::lseek(in, 0, SEEK_CUR);
    if (start < 0) {
        return 0;
    }
    const auto page = static_cast<off_t>(::sysconf(_SC_PAGESIZE));
    std::int64_t done = 0;
    while (done < count) {
        const off_t at = start + static_cast<off_t>(done);
        const std::int64_t want = std::min(count - done, kWindow);
        if (::fstat(in, &info) != 0) {
            throwErrno(errno, from.path());
        }
        if (info.st_size < at + want) {
            throw PlatformError(error_text::kInputPastEnd, from.path());
        }
        const off_t base = at - at % page;
        const auto skew = static_cast<std::size_t>(at - base);
        const Window window(in, base, skew + static_cast<std::size_t>(want));
        if (!window.mapped()) {
            if (done == 0) {
                return 0;
            }
            throwErrno(errno, from.path());
        }
        writeMapped(from, to, out, window.at(skew), static_cast<std::size_t>(want));
        done += want;
        if (progress) {
            progress(done);
        }
    }
    // The source stands after what was copied, as a read would have left it.
    if (::lseek(in, start + static_cast<off_t>(count), SEEK_SET) < 0) {
        throwErrno(errno, from.path());
    }
    return done;
}

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
    std::int64_t done = count >= kMapFrom ? copyMapped(from, to, count, progress) : 0;
    if (done == 0) {
        done = copyInKernel(from, to, count, progress);
    }
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

#include "platform/write_back.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>

#include "platform/error.h"
#include "platform/open_file.h"

namespace roruvez {

namespace {

constexpr std::int64_t kPage = 4096;
// Long enough that the clock's grain and one odd block do not swing the measured speed.
constexpr std::chrono::milliseconds kMeasureEvery{100};

// Write-back goes by whole pages: a partial last page would be written again with the next block.
std::int64_t pageStart(std::int64_t offset) {
    return offset / kPage * kPage;
}

int syncRange(int fd, std::int64_t from, std::int64_t to, unsigned int flags) {
    while (::sync_file_range(fd, from, to - from, flags) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

// What a file that is not in the page cache, or a file system without ranges, answers.
bool rangesUnsupported(int errnum) {
    return errnum == EINVAL || errnum == ESPIPE || errnum == ENOSYS || errnum == EOPNOTSUPP;
}

}  // namespace

WriteBack::WriteBack(int fd, std::string path, double& bytesPerSecond)
    : fd_(fd), path_(std::move(path)), bytesPerSecond_(bytesPerSecond), markTime_(Clock::now()) {}

std::int64_t WriteBack::window() const {
    const double bytes = bytesPerSecond_ * std::chrono::duration<double>(kWindowTime).count();
    if (!(bytes > 0)) {
        return kSmallestWindow;
    }
    return std::clamp(
        pageStart(static_cast<std::int64_t>(std::min(bytes, static_cast<double>(kLargestWindow)))),
        kSmallestWindow, kLargestWindow);
}

std::size_t WriteBack::blockSize() const {
    return static_cast<std::size_t>(
        std::min(static_cast<std::int64_t>(kCopyBlock), std::max(window() / 2, kPage)));
}

void WriteBack::wrote(std::int64_t end, const WhileWaiting& whileWaiting) {
    written_ = end;
    if (unsupported_) {
        settled_ = written_;
        return;
    }
    if (const std::int64_t whole = pageStart(written_); whole > started_) {
        if (!worked(syncRange(fd_, started_, whole, SYNC_FILE_RANGE_WRITE))) {
            return;
        }
        started_ = whole;
    }
    // Waiting down to half a window keeps the medium busy while the next blocks are written.
    if (inFlight() > window()) {
        waitUntil(pageStart(written_ - window() / 2), whileWaiting);
    }
}

void WriteBack::settleAll(std::int64_t end, const WhileWaiting& whileWaiting) {
    written_ = end;
    if (unsupported_) {
        settled_ = written_;
        return;
    }
    waitUntil(written_, whileWaiting);
}

void WriteBack::waitUntil(std::int64_t end, const WhileWaiting& whileWaiting) {
    if (end <= settled_) {
        return;
    }
    const int fd = fd_;
    const std::int64_t from = settled_;
    const int failure = waitForCall(
        [fd, from, end] {
            return syncRange(
                fd, from, end,
                SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        },
        whileWaiting);
    if (!worked(failure)) {
        return;
    }
    settled_ = end;
    started_ = std::max(started_, end);
    measure();
}

bool WriteBack::worked(int failure) {
    if (rangesUnsupported(failure)) {
        // The flush before the name does it all, off the job's thread.
        unsupported_ = true;
        settled_ = written_;
        return false;
    }
    if (failure != 0) {
        throwErrno(failure, path_);
    }
    return true;
}

void WriteBack::measure() {
    const auto now = Clock::now();
    if (now - markTime_ < kMeasureEvery) {
        return;
    }
    bytesPerSecond_ = static_cast<double>(settled_ - markSettled_) /
                      std::chrono::duration<double>(now - markTime_).count();
    markTime_ = now;
    markSettled_ = settled_;
}

}  // namespace roruvez

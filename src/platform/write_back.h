#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/blocking_call.h"

namespace roruvez {

// The pace of a flushed output (a floppy, a stick). Left to itself the page cache takes a whole
// piece at memory speed and the flush before its name then waits minutes for a slow medium, with
// nothing to show. So the medium is kept writing while the copy goes on: each block's write-back
// is started as soon as it is written, and the older blocks are waited for whenever more than a
// window is in flight. The window is what the medium writes in about kWindowTime at the speed it
// was last seen to write, so a wait, a cancel and the last flush each take about that long, and
// the medium never runs dry meanwhile. Only bytes the medium has taken count as copied.
class WriteBack {
  public:
    static constexpr std::chrono::milliseconds kWindowTime{50};
    static constexpr std::int64_t kSmallestWindow = std::int64_t{16} << 10;
    static constexpr std::int64_t kLargestWindow = std::int64_t{64} << 20;

    // bytesPerSecond is the medium's speed as last seen, 0 when not yet known; it is kept up to
    // date for the medium's next output.
    WriteBack(int fd, std::string path, double& bytesPerSecond);

    // The most bytes to write before the next call to wrote().
    std::size_t blockSize() const;
    // The file was written up to end; starts the write-back of the new bytes and waits for older
    // ones while more than a window is in flight.
    void wrote(std::int64_t end, const WhileWaiting& whileWaiting);
    // The file was written up to end; waits until all of it is on the medium.
    void settleAll(std::int64_t end, const WhileWaiting& whileWaiting);
    // Written, but not yet known to be on the medium.
    std::int64_t inFlight() const { return written_ - settled_; }
    std::int64_t window() const;

  private:
    using Clock = std::chrono::steady_clock;

    void waitUntil(std::int64_t end, const WhileWaiting& whileWaiting);
    void measure();
    // Whether a call on a range worked; throws its failure, but for a file system that has no
    // ranges, which leaves the whole flush to the end.
    bool worked(int failure);

    int fd_;
    std::string path_;
    double& bytesPerSecond_;
    // Offsets in the file: written up to written_, write-back started up to started_, on the
    // medium up to settled_.
    std::int64_t written_ = 0;
    std::int64_t started_ = 0;
    std::int64_t settled_ = 0;
    // Where the current measurement of the medium's speed began.
    Clock::time_point markTime_;
    std::int64_t markSettled_ = 0;
    // A file system that cannot start a write-back for a range gets the whole flush at the end.
    bool unsupported_ = false;
};

}  // namespace roruvez

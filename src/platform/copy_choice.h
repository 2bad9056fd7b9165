#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace roruvez {

enum class CopyWay { Buffer, Kernel };

// Whether a copy through a small buffer or the kernel's own copy between two files is faster
// depends on the processor and on the two file systems: either way has been twice as slow as the
// other on some machine, and which one can change while a job runs. So the first blocks go both
// ways in turn; then the way whose recent blocks took the lower median time copies, and every
// kProbeEvery-th block goes the other way to see whether that one has become faster. The median,
// because a block now and then goes much faster or slower than the rest, with either way.
class CopyChoice {
  public:
    static constexpr int kTries = 8;
    static constexpr long kProbeEvery = 32;

    CopyWay next() const;
    // A block of bytes took nanoseconds; only whole blocks (wholeBlock bytes) are compared.
    void took(CopyWay way, std::size_t bytes, std::size_t wholeBlock, std::int64_t nanoseconds);
    // The kernel cannot copy between these files: everything goes through the buffer.
    void refuseKernel() { kernelRefused_ = true; }

  private:
    long turn_ = 0;
    // The last kTries times of each way, oldest overwritten first.
    std::int64_t times_[2][kTries] = {};
    long timed_[2] = {0, 0};
    bool kernelRefused_ = false;
    CopyWay leader_ = CopyWay::Buffer;
};

// One choice for each pair of file systems, kept for as long as the program runs.
class CopyChoices {
  public:
    CopyChoice& between(std::uint64_t fromDevice, std::uint64_t toDevice);

  private:
    struct Entry {
        std::uint64_t from;
        std::uint64_t to;
        CopyChoice choice;
    };
    std::deque<Entry> entries_;
};

}  // namespace roruvez

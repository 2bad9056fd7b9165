#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace roruvez {

enum class CopyWay { Buffer, Kernel };

// Whether a copy through a small buffer or the kernel's own copy between two files is faster
// depends on the processor and on the two file systems: either way has been twice as slow as the
// other on some machine, and which one wins can change while a job runs. So the first blocks go
// both ways in turn; then the faster way copies, and every kProbeEvery-th block goes the other
// way to see whether that one has become faster. Ways are compared only on neighbouring blocks,
// whose times a busy machine stretches alike, by the median of the last kTries comparisons, as
// single blocks now and then go much faster or slower than the rest.
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
    // The last whole block, while the next one may be compared with it.
    bool lastTimed_ = false;
    CopyWay lastWay_ = CopyWay::Buffer;
    std::int64_t lastTime_ = 0;
    // The kernel's time over the buffer's of neighbouring blocks, oldest overwritten first.
    double ratios_[kTries] = {};
    long compared_ = 0;
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

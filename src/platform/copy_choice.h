#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace roruvez {

enum class CopyWay { Buffer, Kernel };

// Whether a copy through a small buffer or the kernel's own copy between two files is faster
// depends on the processor and on the two file systems: either way has been twice as slow as the
// other on some machine. So the first blocks are copied both ways in turn, and once each way has
// copied enough whole blocks, the way with the better best time copies the rest.
class CopyChoice {
  public:
    static constexpr int kTries = 8;

    CopyWay next() const;
    // A block of bytes took nanoseconds; only whole blocks (wholeBlock bytes) are compared.
    void took(CopyWay way, std::size_t bytes, std::size_t wholeBlock, std::int64_t nanoseconds);
    // The kernel cannot copy between these files: everything goes through the buffer.
    void refuseKernel() { kernelRefused_ = true; }
    bool settled() const { return kernelRefused_ || settled_; }

  private:
    long turn_ = 0;
    int tries_[2] = {0, 0};
    std::int64_t best_[2] = {INT64_MAX, INT64_MAX};
    bool kernelRefused_ = false;
    bool settled_ = false;
    CopyWay chosen_ = CopyWay::Buffer;
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

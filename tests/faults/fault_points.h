#pragma once

#include <string>
#include <vector>

namespace roruvez::testing {

// A system call the tests can make fail, by its libfiu failure point.
struct FaultPoint {
    const char* name;   // short, for test names: "write"
    const char* point;  // libfiu's name: "posix/io/rw/write"
    int errnum;         // what the failing call reports
};

// open, read, write, fsync and close as libfiu's preload wraps them, and the in-kernel copy, the
// write-back and the calls that name an output (linkat, renameat2, renameat), which it does not
// wrap and this test program wraps itself.
const std::vector<FaultPoint>& faultPoints();
const FaultPoint& faultPoint(const std::string& name);

// True when libfiu's POSIX wrappers are loaded into this process (LD_PRELOAD).
bool posixWrappersLoaded();

// Fails the n-th call of one point (counting from 1) and, when persistent, every call after it.
// Counts only between construction and destruction.
class NthCallFault {
  public:
    NthCallFault(const FaultPoint& point, long n, bool persistent);
    ~NthCallFault();
    NthCallFault(const NthCallFault&) = delete;
    NthCallFault& operator=(const NthCallFault&) = delete;

    long calls() const;
    long failed() const;

  private:
    const FaultPoint& point_;
};

// Every read and write is cut short to a random length (never 0), as pipes and signals do.
class ShortTransfers {
  public:
    ShortTransfers();
    ~ShortTransfers();
    ShortTransfers(const ShortTransfers&) = delete;
    ShortTransfers& operator=(const ShortTransfers&) = delete;
};

// While alive, copy_file_range reports ENOSYS, as on kernels and file systems without it, so
// that the data goes through read and write.
class NoKernelCopy {
  public:
    NoKernelCopy();
    ~NoKernelCopy();
    NoKernelCopy(const NoKernelCopy&) = delete;
    NoKernelCopy& operator=(const NoKernelCopy&) = delete;
};

// Descriptors open in this process.
std::vector<int> openDescriptors();

}  // namespace roruvez::testing

#include "fault_points.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#define FIU_ENABLE 1
#include <fiu-control.h>
#include <fiu.h>

namespace roruvez::testing {

namespace {

constexpr const char* kCopyPoint = "linux/io/copy_file_range";
constexpr const char* kWriteBackPoint = "linux/io/sync_file_range";
constexpr const char* kNamingPoint = "linux/fs/naming";

std::atomic<long> gCalls{0};
std::atomic<long> gFailed{0};
std::atomic<long> gFailFrom{0};
std::atomic<bool> gPersistent{false};
std::atomic<bool> gNoKernelCopy{false};

int countingDecision(const char* /*name*/, int* /*failnum*/, void** /*failinfo*/,
                     unsigned int* /*flags*/) {
    const long call = ++gCalls;
    const bool fail = gPersistent ? call >= gFailFrom : call == gFailFrom;
    if (fail) {
        ++gFailed;
    }
    return fail ? 1 : 0;
}

void initialise() {
    static const bool done = [] {
        fiu_init(0);
        return true;
    }();
    (void)done;
}

void* errnoInfo(int errnum) {
    return reinterpret_cast<void*>(static_cast<std::intptr_t>(errnum));
}

}  // namespace

const std::vector<FaultPoint>& faultPoints() {
    static const std::vector<FaultPoint> points = {
        {"open", "posix/io/oc/open", EACCES},
        {"read", "posix/io/rw/read", EIO},
        {"write", "posix/io/rw/write", ENOSPC},
        {"fsync", "posix/io/sync/fsync", EIO},
        {"close", "posix/io/oc/close", EIO},
        {"copy_file_range", kCopyPoint, EIO},
        {"sync_file_range", kWriteBackPoint, EIO},
        {"pread", "posix/io/rw/pread", EIO},
        {"naming", kNamingPoint, EIO},
    };
    return points;
}

const FaultPoint& faultPoint(const std::string& name) {
    for (const FaultPoint& point : faultPoints()) {
        if (name == point.name) {
            return point;
        }
    }
    throw std::invalid_argument("no fault point " + name);
}

bool posixWrappersLoaded() {
    initialise();
    fiu_enable("posix/io/oc/open", 1, errnoInfo(EMFILE), FIU_ONETIME);
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    fiu_disable("posix/io/oc/open");
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == EMFILE;
}

NthCallFault::NthCallFault(const FaultPoint& point, long n, bool persistent) : point_(point) {
    initialise();
    gCalls = 0;
    gFailed = 0;
    gFailFrom = n;
    gPersistent = persistent;
    fiu_enable_external(point_.point, 1, errnoInfo(point_.errnum), 0, countingDecision);
}

NthCallFault::~NthCallFault() {
    fiu_disable(point_.point);
}

long NthCallFault::calls() const {
    return gCalls;
}

long NthCallFault::failed() const {
    return gFailed;
}

ShortTransfers::ShortTransfers() {
    initialise();
    fiu_enable("posix/io/rw/read/reduce", 1, nullptr, 0);
    fiu_enable("posix/io/rw/write/reduce", 1, nullptr, 0);
}

ShortTransfers::~ShortTransfers() {
    fiu_disable("posix/io/rw/read/reduce");
    fiu_disable("posix/io/rw/write/reduce");
}

NoKernelCopy::NoKernelCopy() {
    gNoKernelCopy = true;
}

NoKernelCopy::~NoKernelCopy() {
    gNoKernelCopy = false;
}

std::vector<int> openDescriptors() {
    std::vector<int> descriptors;
    DIR* directory = ::opendir("/proc/self/fd");
    if (directory == nullptr) {
        return descriptors;
    }
    const int own = ::dirfd(directory);
    while (const dirent* entry = ::readdir(directory)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        const int fd = std::atoi(entry->d_name);
        if (fd != own) {
            descriptors.push_back(fd);
        }
    }
    ::closedir(directory);
    return descriptors;
}

}  // namespace roruvez::testing

// The program copies data in the kernel first. libfiu does not wrap this call, so this test
// program does, with a failure point of the same kind; the program's code is unchanged.
extern "C" ssize_t copy_file_range(int inFd, off64_t* inOffset, int outFd, off64_t* outOffset,
                                   size_t length, unsigned int flags) {
    using Real = ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned int);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "copy_file_range"));
    if (roruvez::testing::gNoKernelCopy || real == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    if (fiu_fail(roruvez::testing::kCopyPoint) != 0) {
        errno = static_cast<int>(reinterpret_cast<std::intptr_t>(fiu_failinfo()));
        return -1;
    }
    return real(inFd, inOffset, outFd, outOffset, length, flags);
}

// Write-back on a flushed output; libfiu does not wrap this call either.
extern "C" int sync_file_range(int fd, off64_t offset, off64_t count, unsigned int flags) {
    using Real = int (*)(int, off64_t, off64_t, unsigned int);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "sync_file_range"));
    if (fiu_fail(roruvez::testing::kWriteBackPoint) != 0) {
        errno = static_cast<int>(reinterpret_cast<std::intptr_t>(fiu_failinfo()));
        return -1;
    }
    return real(fd, offset, count, flags);
}

// openat fails where libfiu's wrapper fails open (support/no_unnamed_files.cpp asks).
extern "C" int roruvez_test_open_fault() {
    if (fiu_fail("posix/io/oc/open") != 0) {
        return static_cast<int>(reinterpret_cast<std::intptr_t>(fiu_failinfo()));
    }
    return 0;
}

// linkat, renameat2 and renameat, which give an output its name, fail here
// (support/no_unnamed_files.cpp asks).
extern "C" int roruvez_test_naming_fault() {
    if (fiu_fail(roruvez::testing::kNamingPoint) != 0) {
        return static_cast<int>(reinterpret_cast<std::intptr_t>(fiu_failinfo()));
    }
    return 0;
}

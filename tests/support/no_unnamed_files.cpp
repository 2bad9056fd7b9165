#include "support/no_unnamed_files.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace roruvez::testing {

NoUnnamedFiles::NoUnnamedFiles() {
    ::setenv(kNoUnnamedFiles, "1", 1);
}

NoUnnamedFiles::~NoUnnamedFiles() {
    ::unsetenv(kNoUnnamedFiles);
}

std::string wayOfWriting(const ::testing::TestParamInfo<bool>& way) {
    return way.param ? "HiddenName" : "Unnamed";
}

}  // namespace roruvez::testing

// A test program that injects failures defines this, so that openat fails where open does: the
// preloaded wrappers of libfiu know only open.
extern "C" __attribute__((weak)) int roruvez_test_open_fault();
// Likewise for the calls that give an output its name, which libfiu does not wrap.
extern "C" __attribute__((weak)) int roruvez_test_naming_fault();

namespace {

bool refused(int flags) {
    if ((flags & O_TMPFILE) != O_TMPFILE ||
        std::getenv(roruvez::testing::kNoUnnamedFiles) == nullptr) {
        return false;
    }
    errno = EOPNOTSUPP;
    return true;
}

bool injected(int (*fault)()) {
    const int errnum = fault != nullptr ? fault() : 0;
    if (errnum != 0) {
        errno = errnum;
    }
    return errnum != 0;
}

// The mode argument is there only for creations, as the C library reads it.
mode_t modeOf(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE
               ? static_cast<mode_t>(va_arg(arguments, int))
               : 0;
}

template <class Real>
Real next(const char* name) {
    return reinterpret_cast<Real>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

// The program's own calls reach these first; everything else goes on to the next definition.
extern "C" int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    if (refused(flags)) {
        return -1;
    }
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

extern "C" int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    if (refused(flags)) {
        return -1;
    }
    static const auto real = next<int (*)(const char*, int, ...)>("open64");
    return real(path, flags, mode);
}

namespace {

int openAt(const char* symbol, int directory, const char* path, int flags, mode_t mode) {
    if (refused(flags) || injected(roruvez_test_open_fault)) {
        return -1;
    }
    return next<int (*)(int, const char*, int, ...)>(symbol)(directory, path, flags, mode);
}

}  // namespace

extern "C" int openat(int directory, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return openAt("openat", directory, path, flags, mode);
}

extern "C" int openat64(int directory, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return openAt("openat64", directory, path, flags, mode);
}

namespace {

bool renameFlagMissing() {
    return std::getenv(roruvez::testing::kNoRenameFlag) != nullptr;
}

}  // namespace

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to,
                         unsigned int flags) {
    if (injected(roruvez_test_naming_fault)) {
        return -1;
    }
    if (renameFlagMissing()) {
        errno = EINVAL;
        return -1;
    }
    static const auto real =
        next<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
    return real(fromDir, from, toDir, to, flags);
}

extern "C" int renameat(int fromDir, const char* from, int toDir, const char* to) {
    if (injected(roruvez_test_naming_fault)) {
        return -1;
    }
    static const auto real = next<int (*)(int, const char*, int, const char*)>("renameat");
    return real(fromDir, from, toDir, to);
}

extern "C" int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    if (injected(roruvez_test_naming_fault)) {
        return -1;
    }
    if (std::getenv(roruvez::testing::kNoLinks) != nullptr) {
        errno = EPERM;
        return -1;
    }
    static const auto real = next<int (*)(int, const char*, int, const char*, int)>("linkat");
    return real(fromDir, from, toDir, to, flags);
}

extern "C" int unlinkat(int directory, const char* path, int flags) {
    if (renameFlagMissing() && std::strncmp(path, ".roruvez-", 9) == 0) {
        errno = EACCES;
        return -1;
    }
    static const auto real = next<int (*)(int, const char*, int)>("unlinkat");
    return real(directory, path, flags);
}

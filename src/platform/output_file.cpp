#include "platform/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

#include "platform/error.h"
#include "platform/paths.h"

namespace roruvez {

namespace {

constexpr std::string_view kTemporaryStart = ".roruvez-";
constexpr std::string_view kTemporaryEnd = ".part";
constexpr int kTemporaryAttempts = 1000;

void syncDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        throwErrno(errno, directory);
    }
    const int synced = ::fsync(fd);
    const int failure = errno;
    ::close(fd);
    if (synced != 0) {
        throwErrno(failure, directory);
    }
}

// Renames without replacing; where the file system lacks the flag, a hard link cannot replace
// anything either.
void moveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        throwErrno(errno, to);
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        throwErrno(errno, to);
    }
    // The file stands complete under its name now, whatever becomes of the hidden one: a later
    // job in this directory removes that once this process is gone.
    ::unlink(from.c_str());
}

bool allDigits(std::string_view text) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

bool processGone(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

PosixOutput::PosixOutput(int fd, OutputPlace place, CopyChoices& choices)
    : PosixFile(fd, place.finalPath, choices), place_(std::move(place)) {}

PosixOutput::~PosixOutput() {
    try {
        discard();
    } catch (const std::exception&) {
        // A hidden name that cannot go now is removed by a later job once this process ends.
    }
}

void PosixOutput::publish() {
    if (published_) {
        return;
    }
    if (place_.flush) {
        sync();
    }
    struct stat own {};
    ::fstat(checkedFd(), &own);
    if (place_.temporaryPath.empty()) {
        linkUnnamed();
    } else {
        PosixFile::close();
        moveNoReplace(place_.temporaryPath, place_.finalPath);
        place_.temporaryPath.clear();
        published_ = true;
    }
    // The name exists now; a flush or close that fails takes it away again, so that a failure
    // never leaves a name behind.
    try {
        if (place_.flush && isOpen()) {
            sync();  // the link count the name added
        }
        PosixFile::close();
        if (place_.flush) {
            syncDirectory(place_.directory);
        }
    } catch (const PlatformError&) {
        struct stat named {};
        if (::lstat(place_.finalPath.c_str(), &named) == 0 && named.st_dev == own.st_dev &&
            named.st_ino == own.st_ino) {
            ::unlink(place_.finalPath.c_str());
        }
        throw;
    }
}

void PosixOutput::close() {
    if (published_) {
        PosixFile::close();
        return;
    }
    discard();
}

void PosixOutput::linkUnnamed() {
    const std::string self = "/proc/self/fd/" + std::to_string(checkedFd());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, place_.finalPath.c_str(), AT_SYMLINK_FOLLOW) !=
        0) {
        throwErrno(errno, place_.finalPath);
    }
    published_ = true;
}

void PosixOutput::discard() {
    if (published_) {
        return;
    }
    try {
        PosixFile::close();
    } catch (const PlatformError&) {
        // The bytes are thrown away all the same.
    }
    const std::string temporary = std::exchange(place_.temporaryPath, {});
    if (!temporary.empty() && ::unlink(temporary.c_str()) != 0 && errno != ENOENT) {
        throwErrno(errno, temporary);
    }
}

std::unique_ptr<OpenFile> createOutputFile(const std::string& finalPath, bool flush,
                                           CopyChoices& choices) {
    struct stat info {};
    if (::lstat(finalPath.c_str(), &info) == 0) {
        throwErrno(EEXIST, finalPath);
    }
    OutputPlace place{finalPath, parentDirectory(finalPath), {}, flush};
    int fd = ::open(place.directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        return std::make_unique<PosixOutput>(fd, std::move(place), choices);
    }
    // Kernels and file systems without unnamed files (vfat, older kernels) say so thus.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        throwErrno(errno, finalPath);
    }
    removeAbandonedOutputs(place.directory);
    for (int attempt = 1;; ++attempt) {
        place.temporaryPath =
            pathInDirectory(place.directory, temporaryOutputName(::getpid(), attempt));
        fd = ::open(place.temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return std::make_unique<PosixOutput>(fd, std::move(place), choices);
        }
        if (errno != EEXIST || attempt == kTemporaryAttempts) {
            throwErrno(errno, finalPath);
        }
    }
}

std::string temporaryOutputName(long pid, int attempt) {
    return std::string(kTemporaryStart) + std::to_string(pid) + "-" + std::to_string(attempt) +
           std::string(kTemporaryEnd);
}

long writerOfTemporaryOutput(const std::string& name) {
    std::string_view rest = name;
    if (rest.substr(0, kTemporaryStart.size()) != kTemporaryStart ||
        rest.size() < kTemporaryStart.size() + kTemporaryEnd.size() ||
        rest.substr(rest.size() - kTemporaryEnd.size()) != kTemporaryEnd) {
        return 0;
    }
    rest = rest.substr(kTemporaryStart.size(),
                       rest.size() - kTemporaryStart.size() - kTemporaryEnd.size());
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos || !allDigits(rest.substr(0, dash)) ||
        !allDigits(rest.substr(dash + 1))) {
        return 0;
    }
    return std::stol(std::string(rest.substr(0, dash)));
}

void removeAbandonedOutputs(const std::string& directory) {
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) {
        return;
    }
    const long self = ::getpid();
    while (const dirent* entry = ::readdir(listing)) {
        const long writer = writerOfTemporaryOutput(entry->d_name);
        if (writer > 0 && writer != self && processGone(writer)) {
            ::unlinkat(::dirfd(listing), entry->d_name, 0);
        }
    }
    ::closedir(listing);
}

}  // namespace roruvez

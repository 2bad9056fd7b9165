#include "platform/hidden_outputs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string_view>

#include "platform/posix_file.h"

namespace roruvez {

namespace {

constexpr std::string_view kTemporaryStart = ".roruvez-";
constexpr std::string_view kTemporaryEnd = ".part";

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

// A live writer's hidden output keeps changing; one unchanged this long has no writer left.
constexpr std::int64_t kAbandonedAfterSeconds = 3600;

std::int64_t lastChange(const struct stat& info) {
    return static_cast<std::int64_t>(info.st_mtim.tv_sec);
}

// Removes one hidden output when it is abandoned: an ordinary file of this user whose lock is
// free and, where locks may not reach every writer, unchanged for long before now (the time
// the file system gave the caller's own new output).
void removeIfAbandoned(int directoryFd, const char* name, std::optional<std::int64_t> now) {
    struct stat entry {};
    if (::fstatat(directoryFd, name, &entry, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(entry.st_mode) ||
        entry.st_uid != ::geteuid() || (now && *now - lastChange(entry) < kAbandonedAfterSeconds)) {
        return;
    }
    const int fd = ::openat(directoryFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) == 0 && fileStatusOf(opened).sameFile(fileStatusOf(entry)) &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && entryIs(directoryFd, name, fileStatusOf(opened))) {
        ::unlinkat(directoryFd, name, 0);
    }
    ::close(fd);
}

// Kernel file systems of one machine's disks: a lock there is seen by every process that opens
// the file, through any mount. Locks on FUSE and network file systems may stay on one mount or
// one machine.
// Kernel file systems of one machine's disks: a lock there is seen by every process that opens
// the file, through any mount. Locks on FUSE and network file systems may stay on one mount or
// one machine.
bool locksReachEveryWriter(int directoryFd) {
    struct statfs info {};
    if (::fstatfs(directoryFd, &info) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(info.f_type)) {
        case 0xEF53UL:      // ext2, ext3, ext4
        case 0x01021994UL:  // tmpfs
        case 0x4D44UL:      // vfat, msdos
        case 0x2011BAB0UL:  // exfat
        case 0x7366746EUL:  // ntfs3
        case 0x9123683EUL:  // btrfs
        case 0x58465342UL:  // xfs
        case 0xF2F52010UL:  // f2fs
        case 0x15013346UL:  // udf
        case 0x794C7630UL:  // overlayfs
            return true;
        default:
            return false;
    }
}

}  // namespace

int createHiddenOutput(const OpenDirectory& directory, const std::string& name) {
    const int fd = ::openat(directory.fd(), name.c_str(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return -1;
    }
    // A file system without locks cannot tell a sweep that the file is alive; a sweep there
    // cannot take the lock either, so it never removes the file.
    struct stat own {};
    if (::fstat(fd, &own) != 0 || !entryIs(directory.fd(), name.c_str(), fileStatusOf(own))) {
        ::close(fd);
        errno = ENOENT;
        return -1;
    }
    return fd;
}

std::string temporaryOutputName(long pid, int attempt) {
    return std::string(kTemporaryStart) + std::to_string(pid) + "-" + std::to_string(attempt) +
           std::string(kTemporaryEnd);
}

bool isTemporaryOutputName(const std::string& name) {
    std::string_view rest = name;
    if (!rest.starts_with(kTemporaryStart) ||
        rest.size() < kTemporaryStart.size() + kTemporaryEnd.size() ||
        !rest.ends_with(kTemporaryEnd)) {
        return false;
    }
    rest = rest.substr(kTemporaryStart.size(),
                       rest.size() - kTemporaryStart.size() - kTemporaryEnd.size());
    const std::size_t dash = rest.find('-');
    return dash != std::string_view::npos && allDigits(rest.substr(0, dash)) &&
           allDigits(rest.substr(dash + 1));
}

void removeAbandonedOutputs(const OpenDirectory& directory, const std::string& ownName, int ownFd) {
    std::optional<std::int64_t> now;
    if (!locksReachEveryWriter(directory.fd())) {
        struct stat own {};
        if (::fstat(ownFd, &own) != 0) {
            return;
        }
        now = lastChange(own);
    }
    // A copy of the descriptor: the directory's own is used only for lookups, never read, so
    // sharing its position does no harm.
    const int listingFd = ::fcntl(directory.fd(), F_DUPFD_CLOEXEC, 0);
    if (listingFd < 0) {
        return;
    }
    DIR* listing = ::fdopendir(listingFd);
    if (listing == nullptr) {
        ::close(listingFd);
        return;
    }
    ::rewinddir(listing);
    while (const dirent* entry = ::readdir(listing)) {
        if (entry->d_name != ownName && isTemporaryOutputName(entry->d_name)) {
            removeIfAbandoned(directory.fd(), entry->d_name, now);
        }
    }
    ::closedir(listing);
}

}  // namespace roruvez

#include "platform/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace roruvez {

namespace {

constexpr std::string_view kTemporaryStart = ".roruvez-";
constexpr std::string_view kTemporaryEnd = ".part";
constexpr int kTemporaryAttempts = 1000;

// A flush of a slow medium can take seconds: it runs off the job's thread.
void flushWaiting(int fd, const std::string& flushed, const WhileWaiting& whileWaiting) {
    const int failure = waitForCall([fd] { return ::fsync(fd) == 0 ? 0 : errno; }, whileWaiting);
    if (failure != 0) {
        throwErrno(failure, flushed);
    }
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

// What a file system says when it has no hard links, or none that a user may make.
bool linksRefused(int errnum) {
    return errnum == EPERM || errnum == EROFS || errnum == EOPNOTSUPP || errnum == ENOSYS ||
           errnum == EMLINK;
}

bool sameEntry(int directoryFd, const char* name, const struct stat& file) {
    struct stat entry {};
    return ::fstatat(directoryFd, name, &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
           entry.st_dev == file.st_dev && entry.st_ino == file.st_ino;
}

// A hidden output of this process, created and locked. -1 when the name went before the lock
// was taken (a sweep judged it abandoned), or a sweep holds its lock: the caller tries another.
int createLocked(const OpenDirectory& directory, const std::string& name) {
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
    if (::fstat(fd, &own) != 0 || !sameEntry(directory.fd(), name.c_str(), own)) {
        ::close(fd);
        errno = ENOENT;
        return -1;
    }
    return fd;
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
    if (::fstat(fd, &opened) == 0 && opened.st_ino == entry.st_ino &&
        opened.st_dev == entry.st_dev && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        sameEntry(directoryFd, name, opened)) {
        ::unlinkat(directoryFd, name, 0);
    }
    ::close(fd);
}

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

OutputFile::OutputFile(int fd, std::shared_ptr<const OpenDirectory> directory, std::string name,
                       std::string hiddenName, bool flush)
    : PosixFile(fd, directory->pathOf(name)),
      directory_(std::move(directory)),
      name_(std::move(name)),
      hiddenName_(std::move(hiddenName)),
      flush_(flush) {
    if (flush_) {
        writeBack_.emplace(fd, path(), directory_->writeSpeed());
    }
}

OutputFile::~OutputFile() {
    try {
        discard();
    } catch (const std::exception&) {
        // A hidden name that cannot go now is removed by a later job, once its lock is free.
    }
}

std::unique_ptr<OutputFile> OutputFile::create(std::shared_ptr<const OpenDirectory> directory,
                                               const std::string& name, bool flush) {
    const int dirFd = directory->fd();
    struct stat info {};
    if (::fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        throwErrno(EEXIST, directory->pathOf(name));
    }
    int fd = -1;
    if (directory->naming() == OpenDirectory::Naming::UnnamedFile) {
        // Readable too, for the read-back.
        fd = ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return std::unique_ptr<OutputFile>(
                new OutputFile(fd, std::move(directory), name, {}, flush));
        }
        // Kernels and file systems without unnamed files (vfat, FUSE, older kernels) say so thus.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            throwErrno(errno, directory->pathOf(name));
        }
        directory->foundNaming(OpenDirectory::Naming::RenameNoReplace);
    }
    for (int attempt = 1;; ++attempt) {
        std::string hidden = temporaryOutputName(::getpid(), attempt);
        fd = createLocked(*directory, hidden);
        if (fd >= 0) {
            // After this output exists, so that its time is the file system's now.
            if (directory->sweepDue()) {
                removeAbandonedOutputs(*directory, hidden, fd);
            }
            return std::unique_ptr<OutputFile>(
                new OutputFile(fd, std::move(directory), name, std::move(hidden), flush));
        }
        if ((errno != EEXIST && errno != EWOULDBLOCK && errno != ENOENT) ||
            attempt == kTemporaryAttempts) {
            throwErrno(errno, directory->pathOf(name));
        }
    }
}

FileStatus OutputFile::publish(const WhileWaiting& whileWaiting) {
    if (published_) {
        throw PlatformError(EBADF, path());
    }
    if (flush_) {
        settle(whileWaiting);
        flushWaiting(checkedFd(), path(), whileWaiting);
    }
    const FileStatus own = status();
    directory_->verify();
    // A job told to stop during the waits above ends here, before the name exists.
    if (whileWaiting) {
        whileWaiting();
    }
    giveName();
    published_ = true;
    // The name exists now; a flush or close that fails takes it away again.
    try {
        if (flush_) {
            flushWaiting(checkedFd(), path(), whileWaiting);  // the link count the name added
        }
        PosixFile::close();
        if (flush_) {
            flushWaiting(directory_->fd(), directory_->path(), whileWaiting);
        }
    } catch (const PlatformError&) {
        takeNameBack(own);
        throw;
    }
    return asNamed(own);
}

// What the name shows once the file is closed, which a file system may date only then; own when
// the name no longer leads to it, which the job's look before "Done!" reports.
FileStatus OutputFile::asNamed(const FileStatus& own) const {
    struct statx named {};
    if (freshStatus(directory_->fd(), name_.c_str(), AT_SYMLINK_NOFOLLOW, named) != 0) {
        return own;
    }
    const FileStatus found = fileStatusOf(named);
    return found.sameFile(own) ? found : own;
}

void OutputFile::readBack(const ReadBackSink& sink, const WhileWaiting& whileWaiting) {
    const int fd = checkedFd();
    const std::int64_t end = writtenUpTo();
    settle(whileWaiting);
    flushWaiting(fd, path(), whileWaiting);
    // Clean pages leave the cache, so the reads below reach the medium (or the FUSE daemon).
    if (const int failure = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED); failure != 0) {
        throwErrno(failure, path());
    }
    std::vector<std::byte> block(kCopyBlock);
    for (std::int64_t at = 0; at < end;) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(block.size()), end - at));
        ssize_t got = 0;
        const int failure = waitForCall(
            [&] {
                do {
                    got = ::pread(fd, block.data(), want, at);
                } while (got < 0 && errno == EINTR);
                return got < 0 ? errno : 0;
            },
            whileWaiting);
        if (failure != 0) {
            throwErrno(failure, path());
        }
        if (got == 0) {
            throw PlatformError(error_text::kInputPastEnd, path());
        }
        sink(block.data(), static_cast<std::size_t>(got));
        at += got;
    }
}

std::int64_t OutputFile::writtenUpTo() const {
    const off_t end = ::lseek(checkedFd(), 0, SEEK_CUR);
    if (end < 0) {
        throwErrno(errno, path());
    }
    return static_cast<std::int64_t>(end);
}

std::size_t OutputFile::copyBlockSize() const {
    return writeBack_ ? writeBack_->blockSize() : PosixFile::copyBlockSize();
}

void OutputFile::copied(const WhileWaiting& whileWaiting) {
    if (writeBack_) {
        writeBack_->wrote(writtenUpTo(), whileWaiting);
    }
}

void OutputFile::settle(const WhileWaiting& whileWaiting) {
    if (writeBack_) {
        writeBack_->settleAll(writtenUpTo(), whileWaiting);
    }
}

std::int64_t OutputFile::notYetOnMedium() const {
    return writeBack_ ? writeBack_->inFlight() : 0;
}

void OutputFile::giveName() {
    using Naming = OpenDirectory::Naming;
    const int dirFd = directory_->fd();
    if (hiddenName_.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(checkedFd());
        if (::linkat(AT_FDCWD, self.c_str(), dirFd, name_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            throwErrno(errno, path());
        }
        return;
    }
    // Renamed while the lock is held, so that no sweep can take the hidden name meanwhile. Each
    // way the file system refuses is not tried again in this directory.
    if (directory_->naming() == Naming::RenameNoReplace) {
        if (::renameat2(dirFd, hiddenName_.c_str(), dirFd, name_.c_str(), RENAME_NOREPLACE) == 0) {
            hiddenName_.clear();
            return;
        }
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
            throwErrno(errno, path());
        }
        directory_->foundNaming(Naming::HardLink);
    }
    if (directory_->naming() == Naming::HardLink) {
        if (::linkat(dirFd, hiddenName_.c_str(), dirFd, name_.c_str(), 0) == 0) {
            // The file stands complete under its name, whatever becomes of the hidden one: a
            // later job removes that once the lock is free.
            ::unlinkat(dirFd, hiddenName_.c_str(), 0);
            hiddenName_.clear();
            return;
        }
        if (!linksRefused(errno)) {
            throwErrno(errno, path());
        }
        directory_->foundNaming(Naming::CheckedRename);
    }
    renameOverReservation();
}

// Neither a rename that refuses to replace nor a hard link (vfat and exFAT through FUSE, SMB
// without Unix extensions, many FUSE bridges): the name is reserved by an exclusive create, which
// the file system itself decides for every mount and machine, and the output renamed over that
// reservation.
void OutputFile::renameOverReservation() {
    const int dirFd = directory_->fd();
    const int reserved =
        ::openat(dirFd, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (reserved < 0) {
        throwErrno(errno, path());
    }
    struct stat reservation {};
    int failure = ::fstat(reserved, &reservation) == 0 ? 0 : errno;
    const bool known = failure == 0;
    // Closed before the rename replaces it, or FUSE would keep it as a ".fuse_hidden" file.
    if (::close(reserved) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure == 0 && !sameEntry(dirFd, name_.c_str(), reservation)) {
        failure = EEXIST;  // another program's plain rename took the name meanwhile
    } else if (failure == 0 && ::renameat(dirFd, hiddenName_.c_str(), dirFd, name_.c_str()) != 0) {
        failure = errno;
    }
    if (failure != 0) {
        // Our reservation goes, and one that stays is named; another program's file that took
        // the name in the directory we still hold is not ours.
        const bool ours = known && sameEntry(dirFd, name_.c_str(), reservation);
        if ((ours && ::unlinkat(dirFd, name_.c_str(), 0) == 0) ||
            (!ours && failure == EEXIST && directoryStillThere())) {
            throwErrno(failure, path());
        }
        throw PlatformError(describeErrno(failure) + "\r\n" + error_text::kReservationLeft +
                                directory_->whereNow(name_),
                            path());
    }
    hiddenName_.clear();
}

bool OutputFile::directoryStillThere() const {
    return directory_->isAt(directory_->path());
}

void OutputFile::takeNameBack(const FileStatus& own) {
    struct stat named {};
    const int dirFd = directory_->fd();
    if (::fstatat(dirFd, name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        static_cast<std::uint64_t>(named.st_dev) == own.device &&
        static_cast<std::uint64_t>(named.st_ino) == own.inode) {
        ::unlinkat(dirFd, name_.c_str(), 0);
    }
}

void OutputFile::close() {
    if (published_) {
        PosixFile::close();
        return;
    }
    discard();
}

void OutputFile::discard() {
    if (published_) {
        return;
    }
    // The hidden name goes while its lock is held; the bytes go with the descriptor.
    const std::string hidden = std::exchange(hiddenName_, {});
    int failure = 0;
    if (!hidden.empty() && ::unlinkat(directory_->fd(), hidden.c_str(), 0) != 0) {
        failure = errno;
        // Gone only when the file itself has no name left; else it stands where the job no
        // longer reaches (a directory swapped behind a share's mount).
        struct stat own {};
        if (failure == ENOENT && ::fstat(checkedFd(), &own) == 0 && own.st_nlink == 0) {
            failure = 0;
        }
    }
    try {
        PosixFile::close();
    } catch (const PlatformError&) {
        // The bytes are thrown away all the same.
    }
    if (failure != 0) {
        throwErrno(failure, directory_->whereNow(hidden, failure == ENOENT));
    }
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

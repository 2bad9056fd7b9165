// How an output gets its final name, and loses it again after a failure (see OutputFile).
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/output_file.h"

namespace roruvez {

namespace {

// What a file system says when it has no hard links, or none that a user may make.
bool linksRefused(int errnum) {
    return errnum == EPERM || errnum == EROFS || errnum == EOPNOTSUPP || errnum == ENOSYS ||
           errnum == EMLINK;
}

}  // namespace

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
    struct stat reserving {};
    int failure = ::fstat(reserved, &reserving) == 0 ? 0 : errno;
    const FileStatus reservation = fileStatusOf(reserving);
    const bool known = failure == 0;
    // Closed before the rename replaces it, or FUSE would keep it as a ".fuse_hidden" file.
    if (::close(reserved) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure == 0 && !entryIs(dirFd, name_.c_str(), reservation)) {
        failure = EEXIST;  // another program's plain rename took the name meanwhile
    } else if (failure == 0 && ::renameat(dirFd, hiddenName_.c_str(), dirFd, name_.c_str()) != 0) {
        failure = errno;
    }
    if (failure != 0) {
        // Our reservation goes, and one that stays is named; another program's file that took
        // the name in the directory we still hold is not ours.
        const bool ours = known && entryIs(dirFd, name_.c_str(), reservation);
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
    if (entryIs(directory_->fd(), name_.c_str(), own)) {
        ::unlinkat(directory_->fd(), name_.c_str(), 0);
    }
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

}  // namespace roruvez

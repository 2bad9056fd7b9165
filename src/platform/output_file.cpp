#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/hidden_outputs.h"

namespace roruvez {

namespace {

constexpr int kTemporaryAttempts = 1000;

// A flush of a slow medium can take seconds: it runs off the job's thread.
void flushWaiting(int fd, const std::string& flushed, const WhileWaiting& whileWaiting) {
    const int failure = waitForCall([fd] { return ::fsync(fd) == 0 ? 0 : errno; }, whileWaiting);
    if (failure != 0) {
        throwErrno(failure, flushed);
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
        fd = createHiddenOutput(*directory, hidden);
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

}  // namespace roruvez

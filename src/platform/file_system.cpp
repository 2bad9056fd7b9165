#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/drive_table.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/posix_file.h"

namespace roruvez {

namespace {

std::string lastNameOf(const std::string& path) {
    const std::size_t lastSlash = path.rfind('/');
    return lastSlash == std::string::npos ? path : path.substr(lastSlash + 1);
}

struct stat statOrThrow(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        throwErrno(errno, path);
    }
    return info;
}

}  // namespace

FileSystem::FileSystem(DriveTable& drives) : drives_(drives) {}

std::string FileSystem::resolve(const std::string& name) {
    const auto letter = driveLetterOf(name);
    if (!letter) {
        return name;
    }
    const std::vector<Drive> table = drives_.drives();
    const auto drive = findDrive(table, *letter);
    if (!drive) {
        throw PlatformError(error_text::kPathNotFound, name);
    }
    if (drive->directory.empty()) {
        throw PlatformError(error_text::kDriveNotReady, name);
    }
    const std::string rest = name.substr(2);
    std::string root = drive->directory;
    if (root.size() > 1 && root.back() == '/') {
        root.pop_back();
    }
    std::string base;
    if (!rest.empty() && rest[0] == '/') {
        base = root == "/" ? rest : root + rest;
    } else {
        // The drive's current directory: the working directory when it lies on this drive.
        const std::string cwd = workingDirectory();
        const auto holder = currentDriveIndex(table, cwd);
        const bool holdsCwd = holder && table[*holder].directory == drive->directory;
        const std::string current = holdsCwd ? cwd : root;
        base = rest.empty() ? current : (current == "/" ? "/" + rest : current + "/" + rest);
    }
    return base;
}

int FileSystem::Place::at() const {
    return directory ? directory->fd() : AT_FDCWD;
}

std::string FileSystem::Place::path() const {
    return directory ? directory->pathOf(name) : name;
}

FileSystem::Place FileSystem::locate(const std::string& name, bool verify) {
    if (pinned_ && name.size() > pinned_->size() && name.starts_with(*pinned_) &&
        name.find('/', pinned_->size()) == std::string::npos) {
        if (!pinnedDirectory_) {
            pinnedDirectory_ = openDirectory(*pinned_);
        } else if (verify) {
            pinnedDirectory_->verify();
        }
        return Place{pinnedDirectory_, name.substr(pinned_->size())};
    }
    return Place{nullptr, resolve(name)};
}

std::shared_ptr<const OpenDirectory> FileSystem::openDirectory(const std::string& prefix) {
    return std::make_shared<const OpenDirectory>(resolve(prefix),
                                                 [this, prefix] { return resolve(prefix); });
}

void FileSystem::pin(const std::string& prefix) {
    unpin();
    const bool drive = prefix.size() == 2 && driveLetterOf(prefix);
    if (!drive && (prefix.empty() || prefix.back() != '/')) {
        return;
    }
    pinned_ = prefix;
}

void FileSystem::lookAgain() {
    pinnedDirectory_.reset();
}

void FileSystem::unpin() {
    pinned_.reset();
    pinnedDirectory_.reset();
}

bool FileSystem::entryExists(const std::string& name) {
    const Place place = locate(name);
    struct stat info {};
    if (::fstatat(place.at(), place.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        return true;
    }
    if (errno != ENOENT) {
        throwErrno(errno, place.path());
    }
    if (place.directory) {
        return false;
    }
    // A missing directory is a failure of the lookup, not an absent file.
    const std::string parent = parentDirectory(place.name);
    const struct stat parentInfo = statOrThrow(parent);
    if (!S_ISDIR(parentInfo.st_mode)) {
        throwErrno(ENOTDIR, parent);
    }
    return false;
}

std::optional<FileStatus> FileSystem::findFile(const std::string& name) {
    const Place place = locate(name);
    // Fresh, as the open piece is measured later: the two must agree unless the file changed.
    struct statx info {};
    // A link is not an ordinary file: nothing behind it is ever found.
    if (freshStatus(place.at(), place.name.c_str(), AT_SYMLINK_NOFOLLOW, info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        throwErrno(errno, place.path());
    }
    const std::string last = lastNameOf(place.name);
    if (!S_ISREG(info.stx_mode) || (!last.empty() && last[0] == '.')) {
        return std::nullopt;
    }
    return fileStatusOf(info);
}

bool FileSystem::isDirectory(const std::string& name) {
    return S_ISDIR(statOrThrow(resolve(name)).st_mode);
}

std::int64_t FileSystem::fileLength(const std::string& name) {
    return static_cast<std::int64_t>(statOrThrow(resolve(name)).st_size);
}

std::optional<FileStatus> FileSystem::statusOf(const std::string& name) {
    const Place place = locate(name);
    struct stat info {};
    if (::fstatat(place.at(), place.name.c_str(), &info, 0) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        throwErrno(errno, place.path());
    }
    return fileStatusOf(info);
}

std::optional<FileStatus> FileSystem::findAgain(const std::string& name) {
    const std::string path = resolve(name);
    struct statx info {};
    if (freshStatus(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        throwErrno(errno, path);
    }
    return fileStatusOf(info);
}

std::unique_ptr<OpenFile> FileSystem::openRead(const std::string& name, Links links) {
    const Place place = locate(name);
    const std::string path = place.path();
    // Non-blocking, so that opening a FIFO with no writer cannot hold the job.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (links == Links::Refuse ? O_NOFOLLOW : 0);
    const int fd = ::openat(place.at(), place.name.c_str(), flags);
    if (fd < 0) {
        if (errno == ELOOP && links == Links::Refuse) {
            throw PlatformError(error_text::kNotAFile, path);
        }
        throwErrno(errno, path);
    }
    auto file = std::make_unique<PosixFile>(fd, path);
    // Judged on what was opened, not on the name, which may have changed since it was looked at.
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throwErrno(errno, path);
    }
    if (S_ISDIR(info.st_mode)) {
        throwErrno(EISDIR, path);
    }
    // A terminal, a FIFO or a device could block a read for ever or never end.
    if (!S_ISREG(info.st_mode)) {
        throw PlatformError(error_text::kNotAFile, path);
    }
    ::fcntl(fd, F_SETFL, O_RDONLY);
    return file;
}

bool FileSystem::removeIfUnchanged(const std::string& name, const FileStatus& own) {
    const Place place = locate(name);
    struct statx info {};
    if (freshStatus(place.at(), place.name.c_str(), AT_SYMLINK_NOFOLLOW, info) != 0) {
        if (errno == ENOENT) {
            return false;
        }
        throwErrno(errno, place.path());
    }
    const FileStatus found = fileStatusOf(info);
    if (!S_ISREG(info.stx_mode) || !found.unchangedFrom(own)) {
        return false;
    }
    if (::unlinkat(place.at(), place.name.c_str(), 0) != 0) {
        throwErrno(errno, place.path());
    }
    return true;
}

std::unique_ptr<OutputFile> FileSystem::createOutput(const std::string& name) {
    // Nothing is named before publish(), which looks where the directory's name leads again.
    Place place = locate(name, false);
    if (!place.directory) {
        place.directory = std::make_shared<const OpenDirectory>(parentDirectory(place.name));
        place.name = lastNameOf(place.name);
    }
    // Asked once for a directory held open: the medium under it stays the same.
    if (!place.directory->removable()) {
        place.directory->foundRemovable(drives_.onRemovableMedium(place.directory->path()));
    }
    const bool flush = *place.directory->removable();
    return OutputFile::create(std::move(place.directory), place.name, flush);
}

}  // namespace roruvez

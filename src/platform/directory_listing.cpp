#include "platform/directory_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"

namespace roruvez {

namespace {

class DirectoryStream {
  public:
    explicit DirectoryStream(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            throwErrno(errno, path);
        }
        stream_ = ::fdopendir(fd);
        if (stream_ == nullptr) {
            const int error = errno;
            ::close(fd);
            throwErrno(error, path);
        }
    }
    ~DirectoryStream() { ::closedir(stream_); }
    DirectoryStream(const DirectoryStream&) = delete;
    DirectoryStream& operator=(const DirectoryStream&) = delete;

    DIR* get() const { return stream_; }

  private:
    DIR* stream_ = nullptr;
};

bool leadsToDirectory(int directoryFd, const dirent& entry) {
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat info {};
    return ::fstatat(directoryFd, entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::vector<DirectoryEntry> listDirectory(const std::string& directory) {
    const DirectoryStream stream(directory);
    const int fd = ::dirfd(stream.get());
    std::vector<DirectoryEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream.get());
        if (entry == nullptr) {
            if (errno != 0) {
                throwErrno(errno, directory);
            }
            return entries;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        entries.push_back({entry->d_name, leadsToDirectory(fd, *entry)});
    }
}

EntryKind entryKind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode) ? EntryKind::Directory : EntryKind::Other;
    }
    return ::lstat(path.c_str(), &info) == 0 ? EntryKind::Other : EntryKind::None;
}

}  // namespace roruvez

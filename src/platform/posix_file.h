#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/open_file.h"

namespace roruvez {

// A file opened on this machine; it owns its descriptor.
class PosixFile : public OpenFile {
  public:
    PosixFile(int fd, std::string path);
    ~PosixFile() override;
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    std::size_t read(std::byte* data, std::size_t size) override;
    void write(const std::byte* data, std::size_t size) override;
    FileStatus status() const override;
    void close() override;
    const std::string& path() const override { return path_; }

  protected:
    int checkedFd() const;

    int descriptor() const override { return fd_; }

  private:
    int fd_;
    std::string path_;
};

// The status of what a stat call described.
FileStatus fileStatusOf(const struct stat& info);
FileStatus fileStatusOf(const struct statx& info);

// statx asked of the file system itself, not of what a FUSE mount's cache remembers, which may
// describe the file that stood under the same path a moment ago. 0, or -1 with errno.
int freshStatus(int directoryFd, const char* name, int flags, struct statx& info);

// Whether name in the directory is file itself, not a link to it.
bool entryIs(int directoryFd, const char* name, const FileStatus& file);

}  // namespace roruvez

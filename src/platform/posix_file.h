#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/open_file.h"

namespace roruvez {

class CopyChoice;
class CopyChoices;

// A file opened on this machine; it owns its descriptor and hands it out only to an output of
// its own kind.
class PosixFile : public OpenFile {
  public:
    PosixFile(int fd, std::string path, CopyChoices& choices);
    ~PosixFile() override;
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    std::size_t read(std::byte* data, std::size_t size) override;
    void write(const std::byte* data, std::size_t size) override;
    // Between two regular files the kernel may copy instead of the buffer, whichever is faster.
    void copyTo(OpenFile& to, std::int64_t count, std::vector<std::byte>& buffer,
                const CopyProgress& progress = {}) override;
    FileStatus status() const override;
    void close() override;
    const std::string& path() const override { return path_; }

  protected:
    int checkedFd() const;
    bool isOpen() const { return fd_ >= 0; }

  private:
    // The bytes of one block the kernel copied; fewer when it cannot copy between these files.
    std::size_t copyInKernel(PosixFile& to, std::size_t size, CopyChoice& choice);

    int fd_;
    std::string path_;
    CopyChoices& choices_;
};

// The status of what a stat call described.
FileStatus fileStatusOf(const struct stat& info);

}  // namespace roruvez

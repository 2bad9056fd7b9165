#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace roruvez::testing {

bool runningAsRoot();

// Moves this process into a mount namespace of its own whose mounts reach no other; false
// where the machine does not allow it.
bool enterPrivateMountNamespace();

// Runs a shell command quietly; true when it exits with 0.
bool shell(const std::string& command);

// A file system mounted on a directory for the life of the object: unmounted (and its loop
// device detached) at the end, also when the test fails. ready() is false when the machine
// refused the mount; why() says why.
class Mount {
  public:
    // A tmpfs of the given size.
    static Mount tmpfs(const std::filesystem::path& at, std::uint64_t bytes);
    // The FUSE bridge without hard links or rename flags (no_link_fs.py) over the directory
    // backing; path-based, as bridges to shares and phones are. With a mark it is a bad disk,
    // uncached: reads of data that holds the mark come back altered.
    static Mount noLinkFs(const std::filesystem::path& backing, const std::filesystem::path& at,
                          const std::string& badReadMark = {});
    // An image file through a loop device.
    static Mount image(const std::filesystem::path& file, const std::filesystem::path& at,
                       bool readOnly = false);

    Mount(Mount&& other) noexcept;
    Mount& operator=(Mount&& other) noexcept;
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    ~Mount();

    bool ready() const { return mounted_; }
    const std::string& why() const { return why_; }
    const std::filesystem::path& at() const { return at_; }
    bool remountReadOnly();
    void unmount();

  private:
    Mount(std::filesystem::path at, const std::string& command);

    std::filesystem::path at_;
    bool mounted_ = false;
    std::string why_;
};

// The names in a directory of a FUSE mount once the daemon has had the releases of the files
// closed: a file removed while open is kept as ".fuse_hidden..." until its release, which the
// kernel sends after close() has returned. One still there after 5 s is listed.
std::vector<std::string> listOnceReleased(const std::filesystem::path& directory);

// An empty ext2 file system of the given size in a file, with no blocks kept for root, as a
// floppy disk image. False when mkfs.ext2 is missing or fails.
bool makeExt2Image(const std::filesystem::path& file, std::uint64_t bytes);

// Sets or clears the immutable attribute; cleared again at the end of the guard's life.
class ImmutableGuard {
  public:
    explicit ImmutableGuard(std::filesystem::path path);
    ~ImmutableGuard();
    ImmutableGuard(const ImmutableGuard&) = delete;
    ImmutableGuard& operator=(const ImmutableGuard&) = delete;
    bool ready() const { return set_; }

  private:
    std::filesystem::path path_;
    bool set_ = false;
};

}  // namespace roruvez::testing

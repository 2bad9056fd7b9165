#include "mounts.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>

#include "support/fakes.h"

namespace roruvez::testing {

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& path) {
    std::string text = "'";
    for (char c : path.string()) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

}  // namespace

bool runningAsRoot() {
    return ::geteuid() == 0;
}

bool enterPrivateMountNamespace() {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

bool shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

Mount::Mount(fs::path at, const std::string& command) : at_(std::move(at)) {
    fs::create_directories(at_);
    mounted_ = shell(command);
    if (!mounted_) {
        why_ = "the machine refused \"" + command + "\" (no mount rights or no loop devices)";
    }
}

Mount Mount::tmpfs(const fs::path& at, std::uint64_t bytes) {
    return Mount(at, "mount -t tmpfs -o size=" + std::to_string(bytes) + " tmpfs " + quoted(at));
}

Mount Mount::noLinkFs(const fs::path& backing, const fs::path& at, const std::string& badReadMark) {
    std::string command =
        "/usr/bin/python3 -c 'import fusepy' && /usr/bin/python3 " RORUVEZ_NO_LINK_FS " " +
        quoted(backing) + " " + quoted(at);
    if (!badReadMark.empty()) {
        command += ' ';
        command += quoted(fs::path(badReadMark));
    }
    return Mount(at, command);
}

std::vector<std::string> listOnceReleased(const fs::path& directory) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        std::vector<std::string> names = listDir(directory);
        const bool pending = std::any_of(names.begin(), names.end(), [](const std::string& n) {
            return n.starts_with(".fuse_hidden");
        });
        if (!pending || std::chrono::steady_clock::now() > deadline) {
            return names;
        }
        std::this_thread::yield();
    }
}

Mount Mount::image(const fs::path& file, const fs::path& at, bool readOnly) {
    return Mount(at, std::string("mount -o loop") + (readOnly ? ",ro " : " ") + quoted(file) + " " +
                         quoted(at));
}

Mount::Mount(Mount&& other) noexcept
    : at_(std::move(other.at_)),
      mounted_(std::exchange(other.mounted_, false)),
      why_(std::move(other.why_)) {}

Mount& Mount::operator=(Mount&& other) noexcept {
    if (this != &other) {
        unmount();
        at_ = std::move(other.at_);
        mounted_ = std::exchange(other.mounted_, false);
        why_ = std::move(other.why_);
    }
    return *this;
}

Mount::~Mount() {
    unmount();
}

bool Mount::remountReadOnly() {
    return mounted_ && shell("mount -o remount,ro " + quoted(at_));
}

void Mount::unmount() {
    if (!mounted_) {
        return;
    }
    mounted_ = false;
    // A loop mount made by mount(8) frees its loop device on unmount.
    if (!shell("umount " + quoted(at_))) {
        shell("umount -l " + quoted(at_));
    }
}

bool makeExt2Image(const fs::path& file, std::uint64_t bytes) {
    return shell("truncate -s " + std::to_string(bytes) + " " + quoted(file)) &&
           shell("mkfs.ext2 -q -F -m 0 -b 1024 " + quoted(file));
}

ImmutableGuard::ImmutableGuard(fs::path path) : path_(std::move(path)) {
    set_ = shell("chattr +i " + quoted(path_));
}

ImmutableGuard::~ImmutableGuard() {
    if (set_) {
        shell("chattr -i " + quoted(path_));
    }
}

}  // namespace roruvez::testing

#include "platform/drive_table.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/paths.h"

namespace roruvez {

namespace {

// Drive letters are ASCII; no locale may change their case.
char lowerLetter(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string unescapeMountField(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                out.push_back(static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 +
                                                (digits[2] - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

std::string readFirstLine(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// The whole-disk name of a device node: /dev/sdb1 -> sdb, /dev/fd0 -> fd0.
std::string diskOf(const std::string& source, const std::vector<BlockDevice>& devices) {
    if (source.rfind("/dev/", 0) != 0) {
        return {};
    }
    const std::string node = source.substr(5);
    std::string best;
    for (const auto& device : devices) {
        if (node.rfind(device.name, 0) == 0 && device.name.size() > best.size()) {
            best = device.name;
        }
    }
    return best;
}

bool isFloppyDevice(const BlockDevice& device) {
    return device.name.rfind("fd", 0) == 0 ||
           (device.removable && device.bytes > 0 && device.bytes <= kLargestFloppyBytes);
}

std::vector<BlockDevice> floppyDevices(const std::vector<BlockDevice>& devices) {
    std::vector<BlockDevice> floppies;
    for (const auto& device : devices) {
        if (isFloppyDevice(device)) {
            floppies.push_back(device);
        }
    }
    std::sort(floppies.begin(), floppies.end(),
              [](const BlockDevice& a, const BlockDevice& b) { return a.name < b.name; });
    return floppies;
}

// The shortest mount point of each disk stands for it; bind mounts add nothing, and what is not
// on a block device (tmpfs, proc) is no drive.
std::map<std::string, std::string> mountOfEachDisk(const std::vector<MountEntry>& mounts,
                                                   const std::vector<BlockDevice>& devices) {
    std::map<std::string, std::string> mountOfDisk;
    for (const auto& mount : mounts) {
        const std::string disk = diskOf(mount.source, devices);
        if (disk.empty()) {
            continue;
        }
        auto& known = mountOfDisk[disk];
        if (known.empty() || mount.directory.size() < known.size()) {
            known = mount.directory;
        }
    }
    return mountOfDisk;
}

// a: and b:, listed whether or not a disk is in them, then c:.
std::vector<Drive> fixedDrives(const std::vector<BlockDevice>& floppies,
                               const std::map<std::string, std::string>& mountOfDisk) {
    std::vector<Drive> table;
    for (std::size_t i = 0; i < std::size(kFloppyLetters); ++i) {
        Drive drive;
        drive.letter = kFloppyLetters[i];
        drive.floppy = true;
        drive.removable = true;
        if (i < floppies.size()) {
            const auto found = mountOfDisk.find(floppies[i].name);
            if (found != mountOfDisk.end()) {
                drive.directory = found->second;
            }
        }
        table.push_back(drive);
    }
    Drive root;
    root.letter = 'c';
    root.directory = "/";
    table.push_back(root);
    return table;
}

struct Candidate {
    std::string directory;
    bool removable;
};

// The mounted disks that are neither floppies nor the root, removable first, then in mount-point
// order.
std::vector<Candidate> otherDisks(const std::map<std::string, std::string>& mountOfDisk,
                                  const std::vector<BlockDevice>& floppies,
                                  const std::vector<BlockDevice>& devices) {
    std::vector<Candidate> others;
    for (const auto& mount : mountOfDisk) {
        // Named copies: clang 14 cannot capture structured bindings in the lambdas below.
        const std::string& disk = mount.first;
        const std::string& directory = mount.second;
        const bool floppy = std::any_of(floppies.begin(), floppies.end(),
                                        [&](const BlockDevice& f) { return f.name == disk; });
        if (floppy || directory == "/") {
            continue;
        }
        const auto device = std::find_if(devices.begin(), devices.end(),
                                         [&](const BlockDevice& d) { return d.name == disk; });
        others.push_back({directory, device != devices.end() && device->removable});
    }
    std::sort(others.begin(), others.end(), [](const Candidate& a, const Candidate& b) {
        if (a.removable != b.removable) {
            return a.removable;
        }
        return a.directory < b.directory;
    });
    return others;
}

// d: onwards, as long as letters last; a directory already in the table gets no second letter.
void addLetteredDrives(std::vector<Drive>& table, const std::vector<Candidate>& others) {
    char letter = 'd';
    for (const auto& other : others) {
        if (letter > 'z') {
            break;
        }
        if (std::any_of(table.begin(), table.end(),
                        [&](const Drive& d) { return d.directory == other.directory; })) {
            continue;
        }
        Drive drive;
        drive.letter = letter++;
        drive.directory = other.directory;
        drive.removable = other.removable;
        table.push_back(drive);
    }
}

}  // namespace

std::vector<MountEntry> parseMounts(std::string_view text) {
    std::vector<MountEntry> mounts;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        MountEntry entry;
        if (fields >> entry.source >> entry.directory >> entry.type) {
            entry.source = unescapeMountField(entry.source);
            entry.directory = unescapeMountField(entry.directory);
            mounts.push_back(entry);
        }
    }
    return mounts;
}

std::vector<Drive> buildDriveTable(const std::vector<MountEntry>& mounts,
                                   const std::vector<BlockDevice>& devices) {
    const std::vector<BlockDevice> floppies = floppyDevices(devices);
    const std::map<std::string, std::string> mountOfDisk = mountOfEachDisk(mounts, devices);
    std::vector<Drive> table = fixedDrives(floppies, mountOfDisk);
    addLetteredDrives(table, otherDisks(mountOfDisk, floppies, devices));
    return table;
}

bool DriveTable::onRemovableMedium(const std::string& directory) {
    const std::vector<Drive> table = drives();
    return std::any_of(table.begin(), table.end(), [&](const Drive& drive) {
        return drive.removable && !drive.directory.empty() && isUnder(directory, drive.directory);
    });
}

bool blockDeviceRemovable(const std::string& sysRoot, unsigned major, unsigned minor) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path root = fs::canonical(sysRoot, error);
    fs::path device = fs::canonical(
        fs::path(sysRoot) / "dev/block" / (std::to_string(major) + ":" + std::to_string(minor)),
        error);
    if (error || root.empty()) {
        return false;
    }
    if (fs::exists(device / "partition", error)) {
        device = device.parent_path();
    }
    if (readFirstLine(device / "removable") == "1") {
        return true;
    }
    for (fs::path at = device; at != root && at.has_relative_path(); at = at.parent_path()) {
        const std::string bus = fs::read_symlink(at / "subsystem", error).filename().string();
        if (!error && (bus == "usb" || bus == "mmc" || bus == "firewire" || bus == "ieee1394")) {
            return true;
        }
    }
    return false;
}

LinuxDriveTable::LinuxDriveTable(std::string mountsPath, std::string sysRoot)
    : mountsPath_(std::move(mountsPath)), sysRoot_(std::move(sysRoot)) {}

LinuxDriveTable::~LinuxDriveTable() {
    if (watch_ >= 0) {
        ::close(watch_);
    }
}

std::vector<Drive> LinuxDriveTable::drives() {
    if (mountsMayHaveChanged()) {
        table_ = readTable();
        removableDevices_.clear();
    }
    return table_;
}

bool LinuxDriveTable::mountsMayHaveChanged() {
    if (watch_ < 0) {
        if (!watchable_) {
            return true;
        }
        // Opened before the table is read, so a change during the read is reported next time.
        watch_ = ::open(mountsPath_.c_str(), O_RDONLY | O_CLOEXEC);
        struct statfs info {};
        if (watch_ >= 0 && (::fstatfs(watch_, &info) != 0 || info.f_type != PROC_SUPER_MAGIC)) {
            ::close(watch_);
            watch_ = -1;
        }
        watchable_ = watch_ >= 0;
        return true;
    }
    // The kernel marks a change of the mount table with POLLPRI on an open mounts file, once.
    pollfd event{watch_, POLLPRI, 0};
    return ::poll(&event, 1, 0) < 0 || (event.revents & (POLLPRI | POLLERR | POLLNVAL)) != 0;
}

bool LinuxDriveTable::onRemovableMedium(const std::string& directory) {
    if (DriveTable::onRemovableMedium(directory)) {
        return true;
    }
    struct stat info {};
    // Major 0: no block device (tmpfs, network file systems).
    if (::stat(directory.c_str(), &info) != 0 || ::major(info.st_dev) == 0) {
        return false;
    }
    const auto known = removableDevices_.find(info.st_dev);
    if (known != removableDevices_.end()) {
        return known->second;
    }
    const bool removable =
        blockDeviceRemovable(sysRoot_, ::major(info.st_dev), ::minor(info.st_dev));
    removableDevices_.emplace(info.st_dev, removable);
    return removable;
}

std::vector<Drive> LinuxDriveTable::readTable() const {
    std::ifstream in(mountsPath_);
    std::stringstream text;
    text << in.rdbuf();

    std::vector<BlockDevice> devices;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(sysRoot_) / "block", error)) {
        BlockDevice device;
        device.name = entry.path().filename().string();
        device.removable = readFirstLine(entry.path() / "removable") == "1";
        try {
            device.bytes = std::stoull(readFirstLine(entry.path() / "size")) * 512U;
        } catch (const std::exception&) {
            device.bytes = 0;
        }
        devices.push_back(device);
    }
    return buildDriveTable(parseMounts(text.str()), devices);
}

bool isFloppyLetter(char letter) {
    const char lower = lowerLetter(letter);
    return std::find(std::begin(kFloppyLetters), std::end(kFloppyLetters), lower) !=
           std::end(kFloppyLetters);
}

std::optional<char> driveLetterOf(std::string_view name) {
    if (name.size() < 2 || name[1] != ':') {
        return std::nullopt;
    }
    const char lower = lowerLetter(name[0]);
    if (lower < 'a' || lower > 'z') {
        return std::nullopt;
    }
    return lower;
}

bool isFloppyDriveName(std::string_view name) {
    const auto letter = driveLetterOf(name);
    return name.size() == 2 && letter && isFloppyLetter(*letter);
}

std::optional<Drive> findDrive(const std::vector<Drive>& table, char letter) {
    letter = lowerLetter(letter);
    for (const auto& drive : table) {
        if (drive.letter == letter) {
            return drive;
        }
    }
    return std::nullopt;
}

std::optional<Drive> findDrive(DriveTable& table, char letter) {
    return findDrive(table.drives(), letter);
}

std::string driveListText(const Drive& drive) {
    std::string text{drive.letter, ':'};
    text += drive.directory.empty() ? " [no disk]" : " [" + drive.directory + "]";
    return text;
}

std::optional<std::size_t> currentDriveIndex(const std::vector<Drive>& drives,
                                             const std::string& workingDirectory) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string& root = drives[i].directory;
        if (root.empty() || !isUnder(workingDirectory, root)) {
            continue;
        }
        if (!best || root.size() > drives[*best].directory.size()) {
            best = i;
        }
    }
    return best;
}

}  // namespace roruvez

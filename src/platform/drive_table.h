#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace roruvez {

struct Drive {
    char letter = 'c';      // lower case, as the drive list shows it
    std::string directory;  // where the drive's root is; empty while no medium is in it
    bool floppy = false;
    bool removable = false;
};

// The drive letters the window offers and that drive-relative names resolve through.
class DriveTable {
  public:
    virtual ~DriveTable() = default;
    // Up to date on every call: a disk mounted or taken out meanwhile is seen.
    virtual std::vector<Drive> drives() = 0;
    // Whether a file in directory must be flushed before the user is told it is written: it lies
    // on a drive marked removable (the floppy drives always are).
    virtual bool onRemovableMedium(const std::string& directory);
};

struct MountEntry {
    std::string source;
    std::string directory;
    std::string type;
};

struct BlockDevice {
    std::string name;  // as under /sys/block: fd0, sdb
    bool removable = false;
    std::uint64_t bytes = 0;
};

inline constexpr std::uint64_t kLargestFloppyBytes = 2949120;

// The one owner of what a drive letter is. a: and b: are the floppy drives, with their disk
// prompts, in either case.
inline constexpr char kFloppyLetters[] = {'a', 'b'};
bool isFloppyLetter(char letter);
// The drive letter a name begins with ("a:breldo.1", "B:"), in lower case; nothing for a path.
std::optional<char> driveLetterOf(std::string_view name);
// Whether the name is a drive alone ("a:"), and that drive a floppy drive.
bool isFloppyDriveName(std::string_view name);

// a: and b: are floppy drives (listed with or without a disk), c: is the root file system, d:
// onwards the other mounted real file systems, removable media first, in mount-point order.
std::vector<Drive> buildDriveTable(const std::vector<MountEntry>& mounts,
                                   const std::vector<BlockDevice>& devices);

// Parses the text of /proc/self/mounts, undoing its octal escapes.
std::vector<MountEntry> parseMounts(std::string_view text);

// Whether the block device (a partition or a whole disk) is removable, or its disk sits on a USB,
// MMC or FireWire bus, as the sysfs tree under sysRoot describes it.
bool blockDeviceRemovable(const std::string& sysRoot, unsigned major, unsigned minor);

// Reads the mount table and the block devices again only when the kernel reports that the mount
// table changed: a job asks for its drives on every file it opens. The block devices come from
// the sysfs tree under sysRoot.
class LinuxDriveTable : public DriveTable {
  public:
    explicit LinuxDriveTable(std::string mountsPath = "/proc/self/mounts",
                             std::string sysRoot = "/sys");
    ~LinuxDriveTable() override;
    LinuxDriveTable(const LinuxDriveTable&) = delete;
    LinuxDriveTable& operator=(const LinuxDriveTable&) = delete;

    std::vector<Drive> drives() override;
    // Also a file system on a removable block device that has no drive letter of its own.
    bool onRemovableMedium(const std::string& directory) override;

  private:
    bool mountsMayHaveChanged();
    std::vector<Drive> readTable() const;

    std::string mountsPath_;
    std::string sysRoot_;
    // Open on the mounts file while the kernel reports its changes; -1 before the first read
    // and for files that report none (those are read every time).
    int watch_ = -1;
    bool watchable_ = true;
    std::vector<Drive> table_;
    // What sysfs said of each block device (by device number) since the table was last read:
    // a split asks once per piece, and a device number is given out again only after a change.
    std::map<dev_t, bool> removableDevices_;
};

std::optional<Drive> findDrive(const std::vector<Drive>& table, char letter);
std::optional<Drive> findDrive(DriveTable& table, char letter);

// The drive that holds the working directory: the one with the longest root above it.
std::optional<std::size_t> currentDriveIndex(const std::vector<Drive>& drives,
                                             const std::string& workingDirectory);

// The drive list's text for a drive: "a: [no disk]", "c: [/]".
std::string driveListText(const Drive& drive);

}  // namespace roruvez

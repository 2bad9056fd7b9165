// Outputs: named only when complete, never replacing, nothing left when discarded, in both ways
// of writing them; and which media ask for the flush.

#include "platform/output_file.h"
#include "platform/hidden_outputs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "platform/drive_table.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "support/fakes.h"
#include "support/no_unnamed_files.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::FakeDriveTable;
using testing::listDir;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

std::string ownTemporary(int attempt) {
    return temporaryOutputName(::getpid(), attempt);
}

void writeText(OpenFile& file, const std::string& text) {
    file.write(reinterpret_cast<const std::byte*>(text.data()), text.size());
}

// The id of a process that has ended.
long endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

class OutputTest : public ::testing::TestWithParam<bool> {
  protected:
    bool named() const { return GetParam(); }
    // What the directory holds while an output is being written besides the names it had.
    std::vector<std::string> whileWriting(std::vector<std::string> names) const {
        if (named()) {
            names.insert(names.begin(), ownTemporary(1));
        }
        return names;
    }

    void SetUp() override {
        if (named()) {
            noUnnamed.emplace();
        }
    }

    TempDir dir;
    FakeDriveTable drives;
    FileSystem files{drives};
    std::optional<testing::NoUnnamedFiles> noUnnamed;
};

TEST_P(OutputTest, AnOutputIsNamedOnlyWhenPublishedAndNeverReplaces) {
    auto output = files.createOutput(dir.file("OUT.BIN"));
    writeText(*output, "complete");
    EXPECT_EQ(listDir(dir.path()), whileWriting({}));
    EXPECT_FALSE(files.entryExists(dir.file("OUT.BIN")));
    output->publish();
    EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"OUT.BIN"}));
    EXPECT_EQ(readFile(dir.file("OUT.BIN")), "complete");

    // A name taken before the creation refuses it; one taken during the writing refuses the name.
    try {
        files.createOutput(dir.file("OUT.BIN"));
        ADD_FAILURE() << "created over an existing file";
    } catch (const PlatformError& failure) {
        EXPECT_STREQ(failure.what(), "File exists");
        EXPECT_EQ(failure.path(), dir.file("OUT.BIN"));
    }
    output = files.createOutput(dir.file("RACE.BIN"));
    writeText(*output, "mine");
    writeFile(dir.file("RACE.BIN"), "theirs");
    EXPECT_THROW(output->publish(), PlatformError);
    output->close();
    EXPECT_EQ(readFile(dir.file("RACE.BIN")), "theirs");
    EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"OUT.BIN", "RACE.BIN"}));

    // Closed or dropped before it was published, an output leaves nothing.
    output = files.createOutput(dir.file("CLOSED.BIN"));
    writeText(*output, "half");
    output->close();
    output = files.createOutput(dir.file("DROPPED.BIN"));
    writeText(*output, "half");
    output.reset();
    EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"OUT.BIN", "RACE.BIN"}));
}

// A hidden output is abandoned only when its lock is free: a writer's pid says nothing across pid
// namespaces, and names in a shared directory may be anyone's.
TEST_P(OutputTest, OnlyUnlockedHiddenOutputsOfThisUserAreRemoved) {
    const long ended = endedProcess();
    const std::string abandoned = temporaryOutputName(ended, 3);
    const std::string live = temporaryOutputName(ended, 4);  // its writer runs in another namespace
    const std::vector<std::string> others = {
        abandoned,
        live,
        ".roruvez-join-1.part",  // no writer named
        ".roruvez-" + std::to_string(ended) + "-x.part",
        "breldo.1",
    };
    for (const std::string& name : others) {
        writeFile(dir.file(name), "someone's");
    }
    const int writer = ::open(dir.file(live).c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);
    fs::create_directory(dir.file(temporaryOutputName(ended, 5)));
    fs::create_symlink(dir.file("breldo.1"), dir.file(temporaryOutputName(ended, 6)));

    auto output = files.createOutput(dir.file("NEW.BIN"));
    writeText(*output, "new");
    output->publish();
    ::close(writer);

    std::vector<std::string> expected(others.begin() + (named() ? 1 : 0), others.end());
    expected.push_back("NEW.BIN");
    expected.push_back(temporaryOutputName(ended, 5));
    expected.push_back(temporaryOutputName(ended, 6));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listDir(dir.path()), expected);
    EXPECT_EQ(readFile(dir.file(live)), "someone's");
    EXPECT_EQ(readFile(dir.file("NEW.BIN")), "new");
}

// In a shared directory (sticky, writable by all) another user's file of the same form is never
// touched, lock or not. Needs root, to make a file another user's.
TEST_P(OutputTest, AnotherUsersHiddenLookingFileIsNeverRemoved) {
    if (!named()) {
        GTEST_SKIP() << "unnamed outputs never look for leftovers";
    }
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a file to another user";
    }
    ASSERT_EQ(::chmod(dir.path().c_str(), 01777), 0);
    const std::string theirs = temporaryOutputName(endedProcess(), 1);
    writeFile(dir.file(theirs), "another user's");
    ASSERT_EQ(::chown(dir.file(theirs).c_str(), 65534, 65534), 0);

    auto output = files.createOutput(dir.file("NEW.BIN"));
    writeText(*output, "new");
    output->publish();

    EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{theirs, "NEW.BIN"}));
    EXPECT_EQ(readFile(dir.file(theirs)), "another user's");
}

// Where renaming cannot refuse to replace, the output is linked under its name and its hidden
// name removed; when only that removal fails, the output is still complete under its name, and
// publishing must say so rather than fail.
TEST_P(OutputTest, AHiddenNameThatCannotGoDoesNotUndoAPublishedOutput) {
    if (!named()) {
        GTEST_SKIP() << "an unnamed output has no hidden name";
    }
    ::setenv(testing::kNoRenameFlag, "1", 1);
    auto output = files.createOutput(dir.file("OUT.BIN"));
    writeText(*output, "complete");
    EXPECT_NO_THROW(output->publish());
    output.reset();
    ::unsetenv(testing::kNoRenameFlag);
    EXPECT_EQ(readFile(dir.file("OUT.BIN")), "complete");
    // The hidden name is left for a later job, once this process is gone.
    EXPECT_EQ(listDir(dir.path()).size(), 2U);
}

INSTANTIATE_TEST_SUITE_P(Ways, OutputTest, ::testing::Values(false, true), testing::wayOfWriting);

TEST(OutputNameTest, OnlyTheHiddenNameOfAnOutputIsTakenForOne) {
    EXPECT_TRUE(isTemporaryOutputName(temporaryOutputName(4321, 7)));
    for (const char* name :
         {".roruvez-join-1.part", ".roruvez--1.part", ".roruvez-12-.part", ".roruvez-12-1.part~",
          "roruvez-12-1.part", ".roruvez-12.part", ".roruvez-99999999999-1.part", ".part", ""}) {
        EXPECT_FALSE(isTemporaryOutputName(name)) << name;
    }
}

// A sysfs tree with the links and attributes the detection reads.
class FakeSysfs {
  public:
    // Adds a disk at devicePath (under devices/), reached as major:minor, with partition 1 as
    // major:minor+1; bus, when given, is the subsystem of the device the disk hangs from.
    void addDisk(const std::string& devicePath, unsigned major, unsigned minor, bool removable,
                 const std::string& bus = {}) {
        const fs::path disk = root.path() / "devices" / devicePath;
        fs::create_directories(disk / "part1");
        writeFile((disk / "removable").string(), removable ? "1\n" : "0\n");
        writeFile((disk / "part1" / "partition").string(), "1\n");
        if (!bus.empty()) {
            fs::create_directories(root.path() / "bus" / bus);
            fs::create_symlink(root.path() / "bus" / bus, disk.parent_path() / "subsystem");
        }
        fs::create_directories(root.path() / "dev/block");
        link(major, minor, disk);
        link(major, minor + 1, disk / "part1");
    }
    std::string path() const { return root.path().string(); }

  private:
    void link(unsigned major, unsigned minor, const fs::path& to) {
        const fs::path at =
            root.path() / "dev/block" / (std::to_string(major) + ":" + std::to_string(minor));
        fs::create_symlink(fs::relative(to, at.parent_path()), at);
    }
    TempDir root;
};

TEST(RemovableMediumTest, RemovableDisksAndDisksOnRemovableBusesAskForTheFlush) {
    FakeSysfs sys;
    sys.addDisk("virtual/block/loop3", 7, 3, true);
    sys.addDisk("pci0/usb1/1-1/host0/block/sdb", 8, 16, false, "usb");
    sys.addDisk("pci0/mmc_host/mmc0/mmc0:0001/block/mmcblk0", 179, 0, false, "mmc");
    sys.addDisk("pci0/fw0/fw1/block/sdc", 8, 32, false, "firewire");
    sys.addDisk("pci0/virtio1/block/vda", 254, 0, false, "virtio");
    for (unsigned minor : {3U, 4U}) {
        EXPECT_TRUE(blockDeviceRemovable(sys.path(), 7, minor)) << "loop " << minor;
    }
    for (unsigned major : {8U, 179U}) {
        EXPECT_TRUE(blockDeviceRemovable(sys.path(), major, major == 8 ? 17 : 1)) << major;
    }
    EXPECT_TRUE(blockDeviceRemovable(sys.path(), 8, 32));
    EXPECT_FALSE(blockDeviceRemovable(sys.path(), 254, 0));
    EXPECT_FALSE(blockDeviceRemovable(sys.path(), 254, 1));
    EXPECT_FALSE(blockDeviceRemovable(sys.path(), 9, 9)) << "a device sysfs does not know";
}

TEST(RemovableMediumTest, TheMachineTableLooksAtTheDeviceOfTheDirectory) {
    TempDir work;
    struct stat info {};
    ASSERT_EQ(::stat(work.path().c_str(), &info), 0);
    if (::major(info.st_dev) == 0) {
        GTEST_SKIP() << "the temporary directory is on no block device";
    }
    writeFile(work.file("mounts"), "");
    for (bool removable : {false, true}) {
        FakeSysfs sys;
        sys.addDisk("pci0/block/vdz", ::major(info.st_dev), ::minor(info.st_dev), removable);
        LinuxDriveTable machine(work.file("mounts"), sys.path());
        EXPECT_EQ(machine.onRemovableMedium(work.path().string()), removable);
    }

    // Drives that are removable by their letter: the floppy drives.
    FakeDriveTable drives;
    drives.bind('a', work.file("floppy"));
    drives.bind('d', work.file("fixed"));
    EXPECT_TRUE(drives.onRemovableMedium(work.file("floppy")));
    EXPECT_TRUE(drives.onRemovableMedium(work.file("floppy/sub")));
    EXPECT_FALSE(drives.onRemovableMedium(work.file("fixed")));
    EXPECT_FALSE(drives.onRemovableMedium(work.file("floppyish")));
}

}  // namespace
}  // namespace roruvez

// Full, swapped and unwritable disks, made real with tmpfs mounts, ext2 floppy images on loop
// devices, the immutable attribute and read-only mounts. These need root and skip without it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <filesystem>

#include "mounts.h"
#include "platform/drive_table.h"
#include "platform/free_space.h"
#include "support/job_fixture.h"
#include "tree_snapshot.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::Mount;
using testing::patternBytes;
using testing::readFile;
using testing::TreeSnapshot;
using testing::writeFile;

constexpr std::uint64_t kFloppyBytes = 1474560;

#define SKIP_UNLESS_ROOT()                                                \
    if (!testing::runningAsRoot()) {                                      \
        GTEST_SKIP() << "needs root for mounts, loop devices and chattr"; \
    }
#define SKIP_UNLESS_MOUNTED(mount)     \
    if (!(mount).ready()) {            \
        GTEST_SKIP() << (mount).why(); \
    }

std::int64_t freeBytes(const fs::path& directory) {
    struct statvfs info {};
    if (::statvfs(directory.c_str(), &info) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
}

// Free space as the program measures it, on real disks.
class DiskTest : public testing::JobFixture {
  protected:
    DiskTest() { jobContext = &real; }

    void useDrive(char letter, const fs::path& directory) {
        drives.bind(letter, directory.string());
        surface.check1 = 1;
        surface.drive = std::string(1, letter) + ": [" + directory.string() + "]";
    }

    std::string writeSource(std::size_t size, const std::string& name = "DATA.BIN") {
        fs::create_directories(dir.path() / "src");
        source = patternBytes(size, 21);
        std::string path = (dir.path() / "src" / name).string();
        writeFile(path, source);
        return path;
    }

    // The bytes piece number should hold for a split at pieceSize, header aside.
    std::string expectedData(int number, std::size_t pieceSize) const {
        if (number == 1) {
            return source.substr(0, pieceSize - 160);
        }
        const std::size_t at = pieceSize - 160 + static_cast<std::size_t>(number - 2) * pieceSize;
        return source.substr(at, pieceSize);
    }
    std::string dataOf(int number, const std::string& bytes) const {
        return number == 1 ? bytes.substr(std::min<std::size_t>(160, bytes.size())) : bytes;
    }

    void expectNotCompleted() const {
        EXPECT_EQ(state.Outcome, JobOutcome::NotCompleted);
        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        EXPECT_EQ(surface.backColour(Control::Label3), kLightRed);
    }

    StatvfsFreeSpace statvfsFree{files};
    Platform realPlatform{files, drives, statvfsFree, clock};
    Context real{state, surface, realPlatform};
    std::string source;
};

TEST_F(DiskTest, AFloppyThatPassesTheSpaceTestButCannotHoldTheLastPiece) {
    SKIP_UNLESS_ROOT();
    const fs::path image = dir.path() / "floppy.img";
    ASSERT_TRUE(testing::makeExt2Image(image, kFloppyBytes));
    Mount disk = Mount::image(image, dir.path() / "a");
    SKIP_UNLESS_MOUNTED(disk);
    useDrive('a', disk.at());
    // Two full pieces of 700,000 bytes: the second passes the test, but the file system needs
    // room for its block maps too.
    const std::string path = writeSource(2 * 700000 - 160);
    std::vector<std::int64_t> freeAtPrompt;
    surface.onMessageBox = [&](const testing::ShownBox& box) -> std::optional<Answer> {
        if (box.prompt.rfind("Please", 0) == 0) {
            freeAtPrompt.push_back(freeBytes(disk.at()));
        }
        return std::nullopt;
    };

    runSplit(path, "700000");

    EXPECT_EQ(surface.prompts(),
              (std::vector<std::string>{"Please insert a Floppy Disk then press OK",
                                        "Please Insert a Floppy Disk then press OK",
                                        "No space left on device", "Error writing files on: a:"}));
    ASSERT_EQ(freeAtPrompt.size(), 2U);
    EXPECT_GE(freeAtPrompt[1], 700000) << "the free-space test should have passed";
    expectNotCompleted();
    // The piece that did not fit is not there, and its room is free again.
    EXPECT_EQ(testing::listDir(disk.at()), (std::vector<std::string>{"breldo.1", "lost+found"}));
    const std::string piece1 = readFile((disk.at() / "breldo.1").string());
    EXPECT_EQ(piece1.size(), 700000U);
    EXPECT_TRUE(dataOf(1, piece1) == expectedData(1, 700000));
    EXPECT_GE(freeBytes(disk.at()), 700000);
    EXPECT_TRUE(readFile(path) == source);
}

TEST_F(DiskTest, ADriveWithoutASpaceTestFillsUpWhilePiecesAreWritten) {
    SKIP_UNLESS_ROOT();
    Mount disk = Mount::tmpfs(dir.path() / "d", kFloppyBytes);
    SKIP_UNLESS_MOUNTED(disk);
    useDrive('d', disk.at());
    const std::string path = writeSource(3000000);

    runSplit(path, "1000000");

    EXPECT_EQ(surface.prompts(),
              (std::vector<std::string>{"No space left on device", "Error writing files on: d:"}));
    expectNotCompleted();
    EXPECT_EQ(testing::listDir(disk.at()), (std::vector<std::string>{"breldo.1"}));
    EXPECT_TRUE(dataOf(1, readFile((disk.at() / "breldo.1").string())) == expectedData(1, 1000000));
    EXPECT_GT(freeBytes(disk.at()), 400000) << "the unfinished piece still takes room";
    // The log names the piece the guard accepted, as before.
    EXPECT_EQ(surface.logLines().back(), "d:breldo.2");
}

TEST_F(DiskTest, AJoinOntoAFullDiskLeavesNothingUnderTheName) {
    SKIP_UNLESS_ROOT();
    Mount disk = Mount::tmpfs(dir.path() / "t", kFloppyBytes);
    SKIP_UNLESS_MOUNTED(disk);
    const std::string path = writeSource(1000000);
    runSplit(path, "400000");
    ASSERT_EQ(surface.caption(Control::Label9), "Done!");
    for (int number = 1; number <= 3; ++number) {
        const std::string name = "breldo." + std::to_string(number);
        fs::copy_file(dir.path() / "src" / name, disk.at() / name);
    }
    const TreeSnapshot before = TreeSnapshot::of(disk.at());

    runJoin((disk.at() / "breldo.1").string());

    const std::string restored = (disk.at() / "DATA.BIN").string();
    EXPECT_EQ(surface.prompts(),
              (std::vector<std::string>{"Error joining files into: " + restored + "\r\nWriting " +
                                        restored +
                                        ": No space left on device\r\nNo file was written under "
                                        "this name."}));
    expectNotCompleted();
    EXPECT_TRUE(TreeSnapshot::of(disk.at()).changesSince(before).empty());
    EXPECT_GT(freeBytes(disk.at()), 400000) << "the unfinished copy still takes room";
}

TEST_F(DiskTest, ThreeSwappedFloppiesEachHoldTheirPieceCompleteAndJoinBack) {
    SKIP_UNLESS_ROOT();
    const fs::path drive = dir.path() / "a";
    std::vector<fs::path> images;
    for (int k = 1; k <= 3; ++k) {
        images.push_back(dir.path() / ("disk" + std::to_string(k) + ".img"));
        ASSERT_TRUE(testing::makeExt2Image(images.back(), kFloppyBytes));
    }
    useDrive('a', drive);
    // 1,000,000, 1,000,000 and 560,160 bytes: one piece per disk.
    const std::string path = writeSource(2560000);
    Mount inDrive = Mount::tmpfs(dir.path() / "probe", 4096);
    SKIP_UNLESS_MOUNTED(inDrive);
    inDrive.unmount();
    std::size_t current = 0;
    std::vector<fs::path> taken;
    // The user takes the disk out as soon as the program asks: what is on it is what the backing
    // image holds at that moment.
    auto takeOut = [&] {
        taken.push_back(dir.path() / ("taken" + std::to_string(current + 1) + ".img"));
        fs::copy_file(images[current], taken.back());
        inDrive.unmount();
    };
    surface.onMessageBox = [&](const testing::ShownBox& box) -> std::optional<Answer> {
        if (box.prompt == "Please insert a Floppy Disk then press OK") {
            inDrive = Mount::image(images[0], drive);
        } else if (box.prompt == "Please Insert a Floppy Disk then press OK") {
            takeOut();
            ++current;
            if (current < images.size()) {
                inDrive = Mount::image(images[current], drive);
            }
        }
        return std::nullopt;
    };

    runSplit(path, "1000000");
    ASSERT_TRUE(inDrive.ready());
    takeOut();

    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_EQ(surface.prompts(),
              (std::vector<std::string>{"Please insert a Floppy Disk then press OK",
                                        "Please Insert a Floppy Disk then press OK",
                                        "Please Insert a Floppy Disk then press OK"}));
    ASSERT_EQ(taken.size(), 3U);
    const fs::path gathered = dir.path() / "gathered";
    fs::create_directory(gathered);
    for (std::size_t k = 0; k < taken.size(); ++k) {
        const int number = static_cast<int>(k + 1);
        SCOPED_TRACE("disk " + std::to_string(number));
        Mount copy = Mount::image(taken[k], dir.path() / ("copy" + std::to_string(number)), true);
        ASSERT_TRUE(copy.ready()) << copy.why();
        const std::string name = "breldo." + std::to_string(number);
        EXPECT_EQ(testing::listDir(copy.at()), (std::vector<std::string>{name, "lost+found"}));
        const std::string bytes = readFile((copy.at() / name).string());
        EXPECT_EQ(bytes.size(), number < 3 ? 1000000U : 560160U);
        EXPECT_TRUE(dataOf(number, bytes) == expectedData(number, 1000000));
        writeFile((gathered / name).string(), bytes);
    }

    surface.check1 = 0;
    runJoin((gathered / "breldo.1").string());
    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_TRUE(readFile((gathered / "DATA.BIN").string()) == source);
}

TEST_F(DiskTest, AnImmutableTargetDirectoryRefusesThePieces) {
    SKIP_UNLESS_ROOT();
    const std::string path = writeSource(50000);
    const TreeSnapshot before = TreeSnapshot::of(dir.path());
    testing::ImmutableGuard immutable(dir.path() / "src");
    if (!immutable.ready()) {
        GTEST_SKIP() << "this file system does not take chattr +i";
    }

    runSplit(path, "20000");

    EXPECT_EQ(surface.prompts(), (std::vector<std::string>{"Operation not permitted"}));
    expectNotCompleted();
    EXPECT_TRUE(TreeSnapshot::of(dir.path()).changesSince(before).empty());
}

TEST_F(DiskTest, AReadOnlyMountRefusesThePieces) {
    SKIP_UNLESS_ROOT();
    Mount disk = Mount::tmpfs(dir.path() / "ro", kFloppyBytes);
    SKIP_UNLESS_MOUNTED(disk);
    source = patternBytes(50000, 4);
    const std::string path = (disk.at() / "DATA.BIN").string();
    writeFile(path, source);
    ASSERT_TRUE(disk.remountReadOnly());

    runSplit(path, "20000");

    EXPECT_EQ(surface.prompts(), (std::vector<std::string>{"Read-only file system"}));
    expectNotCompleted();
    EXPECT_EQ(testing::listDir(disk.at()), (std::vector<std::string>{"DATA.BIN"}));
    EXPECT_TRUE(readFile(path) == source);
}

// A target directory that vanishes between two pieces: in drive mode the user is asked to verify
// the disk and may give up; in directory mode the job stops after one message.
TEST_F(DiskTest, ATargetDirectoryRemovedDuringTheSplitStopsIt) {
    struct Case {
        const char* what;
        bool driveMode;
        std::vector<std::string> prompts;
    };
    const Case cases[] = {
        {"drive mode, OK twice then Cancel",
         true,
         {"Verify the Disk.", "Verify the Disk.", "Verify the Disk.",
          "Sorry:d:breldo.3 already exists or Disk Error: Exited!", "Error writing files on: d:"}},
        {"directory mode", false, {"Failed to write to Disk!", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
        const fs::path target = c.driveMode ? dir.path() / "target" : dir.path() / "src";
        const std::string path = writeSource(100000);
        writeFile((dir.path() / "KEEP.TXT").string(), "keep");
        fs::create_directories(target);
        if (c.driveMode) {
            useDrive('d', target);
            surface.answer({Answer::Ok, Answer::Ok, Answer::Cancel});
        } else {
            surface.check1 = 0;
        }
        int pumps = 0;
        surface.onPump = [&] {
            // The split pumps once at its start and once before each further piece.
            if (++pumps == 3) {
                fs::remove_all(target);
            }
        };

        runSplit(path, "30000");
        surface.onPump = nullptr;

        expectNotCompleted();
        const std::string prefix = c.driveMode ? "d:" : target.string() + "/";
        std::vector<std::string> expected = c.prompts;
        if (!c.driveMode) {
            expected[1] = "Sorry:" + prefix + "breldo.3 already exists or Disk Error: Exited!";
            expected[2] = "Error writing files on: " + prefix;
        }
        EXPECT_EQ(surface.prompts(), expected);
        EXPECT_EQ(readFile((dir.path() / "KEEP.TXT").string()), "keep");
        EXPECT_FALSE(fs::exists(target));
    }
}

// The table is kept between lookups, yet a disk mounted or taken out after the first look is
// seen at the next one, however often that happens.
TEST(MachineDrivesTest, ADiskMountedOrTakenOutAfterTheFirstLookIsSeen) {
    SKIP_UNLESS_ROOT();
    testing::TempDir dir;
    const fs::path image = dir.path() / "disk.img";
    const fs::path at = dir.path() / "disk";
    fs::create_directory(at);
    ASSERT_TRUE(testing::makeExt2Image(image, kFloppyBytes));
    LinuxDriveTable machine;
    const auto listed = [&] {
        const auto table = machine.drives();
        return std::any_of(table.begin(), table.end(),
                           [&](const Drive& drive) { return drive.directory == at.string(); });
    };
    EXPECT_FALSE(listed());
    for (int round = 0; round < 3; ++round) {
        Mount mount = Mount::image(image, at);
        SKIP_UNLESS_MOUNTED(mount);
        EXPECT_TRUE(listed());
        EXPECT_TRUE(listed());
        mount.unmount();
        EXPECT_FALSE(listed());
    }
}

// A split asks whether its directory is on a removable medium once per piece; sysfs is walked
// once per device number, and again after the mount table changes, since a stick plugged in
// after another was pulled may get the same number.
TEST(MachineDrivesTest, WhatSysfsSaysOfADeviceIsAskedAgainOnlyAfterTheMountTableChanges) {
    SKIP_UNLESS_ROOT();
    testing::TempDir dir;
    struct stat info {};
    ASSERT_EQ(::stat(dir.path().c_str(), &info), 0);
    if (::major(info.st_dev) == 0) {
        GTEST_SKIP() << "the temporary directory is on no block device";
    }
    const fs::path sys = dir.path() / "sys";
    fs::create_directories(sys / "devices/disk");
    fs::create_directories(sys / "dev/block");
    writeFile((sys / "devices/disk/removable").string(), "0\n");
    fs::create_symlink("../../devices/disk", sys / "dev/block" /
                                                 (std::to_string(::major(info.st_dev)) + ":" +
                                                  std::to_string(::minor(info.st_dev))));
    LinuxDriveTable machine("/proc/self/mounts", sys.string());
    EXPECT_FALSE(machine.onRemovableMedium(dir.path().string()));

    writeFile((sys / "devices/disk/removable").string(), "1\n");
    EXPECT_FALSE(machine.onRemovableMedium(dir.path().string()));
    fs::create_directory(dir.path() / "other");
    Mount other = Mount::tmpfs(dir.path() / "other", 1 << 20);
    SKIP_UNLESS_MOUNTED(other);
    EXPECT_TRUE(machine.onRemovableMedium(dir.path().string()));
}

}  // namespace
}  // namespace roruvez

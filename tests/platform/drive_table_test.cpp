#include "platform/drive_table.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fakes.h"

namespace roruvez {
namespace {

std::vector<std::string> texts(const std::vector<Drive>& table) {
    std::vector<std::string> result;
    result.reserve(table.size());
    for (const auto& drive : table) {
        result.push_back(driveListText(drive));
    }
    return result;
}

TEST(DriveTable, FloppiesRootThenRemovableAndOtherRealFileSystems) {
    const auto mounts = parseMounts(
        "proc /proc proc rw 0 0\n"
        "/dev/vda / ext4 rw 0 0\n"
        "/dev/vda /etc/hosts ext4 rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sdc1 /srv/data ext4 rw 0 0\n"
        "/dev/sdb1 /media/USB\\040STICK vfat rw 0 0\n"
        "/dev/fd0 /media/floppy vfat rw 0 0\n"
        "/dev/sdd /home ext4 rw 0 0\n");
    const std::vector<BlockDevice> devices = {
        {"vda", false, 100000000000ULL}, {"fd0", true, 1474560},
        {"sdb", true, 16000000000ULL},   {"sdc", false, 500000000000ULL},
        {"sdd", false, 500000000000ULL},
    };
    EXPECT_EQ(texts(buildDriveTable(mounts, devices)),
              (std::vector<std::string>{"a: [/media/floppy]", "b: [no disk]", "c: [/]",
                                        "d: [/media/USB STICK]", "e: [/home]", "f: [/srv/data]"}));
}

TEST(DriveTable, ASmallRemovableDiskIsAFloppyDriveWithOrWithoutAMedium) {
    const std::vector<BlockDevice> devices = {{"sde", true, 1474560}, {"vda", false, 1ULL << 36}};
    auto table = buildDriveTable(parseMounts("/dev/vda / ext4 rw 0 0\n"), devices);
    EXPECT_EQ(texts(table), (std::vector<std::string>{"a: [no disk]", "b: [no disk]", "c: [/]"}));
    EXPECT_TRUE(table[0].floppy);

    table = buildDriveTable(parseMounts("/dev/vda / ext4 rw 0 0\n/dev/sde /mnt/fl vfat rw 0 0\n"),
                            devices);
    EXPECT_EQ(table[0].directory, "/mnt/fl");
    EXPECT_EQ(table.size(), 3U);
}

TEST(DriveTable, TheMachinesOwnTableAlwaysHasTheRootAsC) {
    LinuxDriveTable machine;
    const auto drive = findDrive(machine, 'C');
    ASSERT_TRUE(drive.has_value());
    EXPECT_EQ(drive->directory, "/");
    EXPECT_TRUE(findDrive(machine, 'a').has_value());
}

TEST(DriveTable, AMountsFileTheKernelDoesNotWatchIsReadAtEveryLook) {
    testing::TempDir dir;
    const std::string mounts = dir.file("mounts");
    testing::writeFile(mounts, "/dev/vda / ext4 rw 0 0\n");
    for (const char* disk : {"vda", "vdb"}) {
        std::filesystem::create_directories(dir.file("block/") + disk);
        testing::writeFile(dir.file("block/") + disk + "/removable", "0\n");
        testing::writeFile(dir.file("block/") + disk + "/size", "2097152\n");
    }
    LinuxDriveTable machine(mounts, dir.path().string());
    EXPECT_EQ(texts(machine.drives()),
              (std::vector<std::string>{"a: [no disk]", "b: [no disk]", "c: [/]"}));
    testing::writeFile(mounts, "/dev/vda / ext4 rw 0 0\n/dev/vdb /srv ext4 rw 0 0\n");
    EXPECT_EQ(texts(machine.drives()),
              (std::vector<std::string>{"a: [no disk]", "b: [no disk]", "c: [/]", "d: [/srv]"}));
}

TEST(CurrentDrive, IsTheDriveWithTheLongestRootAboveTheWorkingDirectory) {
    const std::vector<Drive> drives = {Drive{'a', "", true, true}, Drive{'c', "/", false, false},
                                       Drive{'d', "/home", false, false},
                                       Drive{'e', "/home/user/stick/", false, true}};
    struct Case {
        const char* cwd;
        std::optional<std::size_t> drive;
    };
    const Case cases[] = {
        {"/home/user", 2}, {"/home", 2},       {"/homework", 1},        {"/", 1},
        {"/var/tmp", 1},   {"", std::nullopt}, {"/home/user/stick", 3}, {"/home/user/stick/x", 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(currentDriveIndex(drives, c.cwd), c.drive) << c.cwd;
    }
}

// The job flushes and prompts only for a drive alone that is a floppy drive.
TEST(DriveNames, OnlyAFloppyDriveAloneIsAFloppyTarget) {
    EXPECT_TRUE(isFloppyDriveName("a:"));
    EXPECT_TRUE(isFloppyDriveName("B:"));
    EXPECT_FALSE(isFloppyDriveName("c:"));
    EXPECT_FALSE(isFloppyDriveName("a:/"));
    EXPECT_FALSE(isFloppyDriveName("/a:"));
}

}  // namespace
}  // namespace roruvez

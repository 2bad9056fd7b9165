#include <gtest/gtest.h>

#include <filesystem>

#include "files/drive_free_space.h"
#include "files/output_guard.h"
#include "files/target_dir.h"
#include "support/job_fixture.h"

namespace roruvez {
namespace {

using testing::JobFixture;
using testing::writeFile;

class TargetDirTest : public JobFixture {};

TEST_F(TargetDirTest, DirectoryModeTakesThePathUpToItsLastSeparator) {
    const struct {
        const char* path;
        const char* target;
    } cases[] = {
        {"/data/report.doc", "/data/"},
        {"/report.doc", "/"},
        {"/srv/share/dir/file.bin", "/srv/share/dir/"},
    };
    for (const auto& c : cases) {
        surface.clearHistory();
        EXPECT_EQ(ResolveTargetDir(c.path, context), 0);
        EXPECT_EQ(state.TargetDir, c.target);
        EXPECT_EQ(surface.captionsOf(Control::Label9), std::vector<std::string>{"KCD"});
    }
    // No separator at all: the previous target stays.
    EXPECT_EQ(ResolveTargetDir("loose.txt", context), 0);
    EXPECT_EQ(state.TargetDir, "/srv/share/dir/");
}

TEST_F(TargetDirTest, DriveModeTakesTheDriveListsLetterAndColon) {
    surface.check1 = 1;
    surface.drive = "c: [/]";
    EXPECT_EQ(ResolveTargetDir("/data/report.doc", context), 0);
    EXPECT_EQ(state.TargetDir, "c:");
    EXPECT_TRUE(surface.captionsOf(Control::Label9).empty());

    // Greyed counts as unticked.
    surface.check1 = 2;
    EXPECT_EQ(ResolveTargetDir("/data/report.doc", context), 0);
    EXPECT_EQ(state.TargetDir, "/data/");
}

class OutputGuardTest : public JobFixture {};

TEST_F(OutputGuardTest, LogsEveryNameAndRefusesAnyExistingEntry) {
    writeFile(dir.file("plain"), "keep");
    writeFile(dir.file("readonly"), "keep");
    std::filesystem::permissions(dir.file("readonly"), std::filesystem::perms::owner_read);
    writeFile(dir.file(".hidden"), "keep");
    std::filesystem::create_directory(dir.file("folder"));
    std::filesystem::create_symlink(dir.file("nowhere"), dir.file("dangling"));
    for (const char* name : {"plain", "readonly", ".hidden", "folder", "dangling"}) {
        surface.clearHistory();
        const std::string path = dir.file(name);
        EXPECT_EQ(CheckOutputFile(path, context), 1) << name;
        EXPECT_EQ(surface.captionsOf(Control::Label9),
                  (std::vector<std::string>{path, path + " Exists or Disk Error!"}));
    }
    EXPECT_EQ(testing::readFile(dir.file("plain")), "keep");
    EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere")));

    surface.clearHistory();
    EXPECT_EQ(CheckOutputFile(dir.file("fresh"), context), 0);
    EXPECT_EQ(surface.captionsOf(Control::Label9), std::vector<std::string>{dir.file("fresh")});
    EXPECT_EQ(surface.logLines().back(), dir.file("fresh"));
    EXPECT_EQ(surface.logLines().size(), 6U);
    EXPECT_EQ(surface.log().substr(0, 2), "\r\n");
}

TEST_F(OutputGuardTest, TheTrailingBlanksOfAStoredNameStillFindTheFile) {
    writeFile(dir.file("FILE.TXT"), "keep");
    EXPECT_EQ(CheckOutputFile(dir.prefix() + "FILE.TXT    ", context), 1);
}

TEST_F(OutputGuardTest, AnUncheckableDirectoryFailsOnceInDirectoryMode) {
    EXPECT_EQ(CheckOutputFile(dir.file("gone/breldo.1"), context), 1);
    ASSERT_EQ(surface.boxes().size(), 1U);
    EXPECT_EQ(surface.boxes()[0].prompt, "Failed to write to Disk!");
    EXPECT_EQ(surface.boxes()[0].title, kAppTitle);
    EXPECT_EQ(surface.boxes()[0].buttons, Buttons::Ok);
}

TEST_F(OutputGuardTest, AnEmptyDriveIsVerifiedUntilTheUserGivesUp) {
    surface.check1 = 1;
    // First OK: the disk is inserted meanwhile and the test is made again.
    surface.onMessageBox = [&](const testing::ShownBox&) -> std::optional<Answer> {
        drives.bind('a', dir.path().string());
        return Answer::Ok;
    };
    EXPECT_EQ(CheckOutputFile("a:breldo.1", context), 0);
    ASSERT_EQ(surface.boxes().size(), 1U);
    EXPECT_EQ(surface.boxes()[0].prompt, "Verify the Disk.");
    EXPECT_EQ(surface.boxes()[0].title, "Warning!");
    EXPECT_EQ(surface.boxes()[0].buttons, Buttons::OkCancel);

    drives.bind('a', "");
    surface.onMessageBox = nullptr;
    surface.clearHistory();
    surface.answer({Answer::Ok, Answer::Cancel});
    EXPECT_EQ(CheckOutputFile("a:breldo.1", context), 1);
    EXPECT_EQ(surface.prompts(),
              (std::vector<std::string>{"Verify the Disk.", "Verify the Disk."}));
    EXPECT_EQ(surface.caption(Control::Label9), "a:breldo.1");
}

class FreeSpaceTest : public JobFixture {};

TEST_F(FreeSpaceTest, RootsAreCompletedAndTheProductSaturates) {
    freeSpace.counts = DiskCounts{1, 512, 2847, 2880};
    EXPECT_EQ(DiskFreeBytes("a", context), 1457664);
    EXPECT_EQ(DiskFreeBytes("a:", context), 1457664);
    EXPECT_EQ(DiskFreeBytes("A:/", context), 1457664);
    EXPECT_EQ(freeSpace.roots, (std::vector<std::string>{"a:/", "a:/", "A:/"}));

    freeSpace.counts = DiskCounts{8, 4096, 100000000, 100000000};
    EXPECT_EQ(DiskFreeBytes("d:", context), 2147483647);
    freeSpace.counts = DiskCounts{65536, 65536, 1, 1};
    EXPECT_EQ(DiskFreeBytes("d:", context), 2147483647);
    freeSpace.counts = DiskCounts{};
    EXPECT_EQ(DiskFreeBytes("a:", context), 0);
}

TEST_F(FreeSpaceTest, TheRealQueryMeasuresABoundDrive) {
    drives.bind('d', dir.path().string());
    StatvfsFreeSpace real(files);
    const DiskCounts counts = real.query("d:/");
    EXPECT_EQ(counts.sectorsPerCluster, 1U);
    EXPECT_GT(counts.bytesPerSector, 0U);
    EXPECT_EQ(real.query("a:/").bytesPerSector, 0U);  // no disk in a:
}

}  // namespace
}  // namespace roruvez

// "Done!" on a removable medium means on the medium: an ext2 image on a loop device, made a
// removable drive by a fake sysfs tree, is copied at the moment the job reports "Done!", without
// sync, and the copy must hold every piece and the joined file, complete. A fixed disk is never
// flushed. The mounts need root; the tests skip without it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "join/join_driver.h"
#include "mounts.h"
#include "platform/drive_table.h"
#include "platform/error.h"
#include "platform/free_space.h"
#include "split/split_driver.h"
#include "state/failure_texts.h"
#include "support/job_fixture.h"
#include "support/no_unnamed_files.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::listDir;
using testing::Mount;
using testing::patternBytes;
using testing::readFile;
using testing::writeFile;

constexpr std::uint64_t kStickBytes = 8 << 20;
constexpr std::size_t kPieceSize = 400000;

// The device a mounted directory's file system lives on, as /proc/self/mounts names it.
std::string mountSource(const fs::path& at) {
    std::ifstream in("/proc/self/mounts");
    std::string source;
    std::string directory;
    std::string rest;
    std::string found;
    while (in >> source >> directory && std::getline(in, rest)) {
        if (directory == at.string()) {
            found = source;
        }
    }
    return found;
}

// The regular files in a directory, each name with its bytes.
std::map<std::string, std::string> regularFiles(const fs::path& directory) {
    std::map<std::string, std::string> files;
    for (const std::string& name : listDir(directory)) {
        if (fs::is_regular_file(fs::symlink_status(directory / name))) {
            files[name] = readFile((directory / name).string());
        }
    }
    return files;
}

// Names and sizes, for failure messages.
std::string namesAndSizes(const std::map<std::string, std::string>& files) {
    std::string text;
    for (const auto& [name, bytes] : files) {
        text += name + " (" + std::to_string(bytes.size()) + ") ";
    }
    return text;
}

// A sysfs tree in which one block device, the one holding directory, is a removable disk.
void fakeRemovableDisk(const fs::path& sysRoot, const fs::path& directory,
                       const std::string& device) {
    struct stat info {};
    ASSERT_EQ(::stat(directory.c_str(), &info), 0);
    const std::string name = fs::path(device).filename().string();
    const fs::path disk = sysRoot / "devices/virtual/block" / name;
    fs::create_directories(disk);
    writeFile((disk / "removable").string(), "1\n");
    writeFile((disk / "size").string(), std::to_string(kStickBytes / 512) + "\n");
    fs::create_directories(sysRoot / "block");
    fs::create_directories(sysRoot / "dev/block");
    fs::create_symlink("../devices/virtual/block/" + name, sysRoot / "block" / name);
    fs::create_symlink(
        "../../devices/virtual/block/" + name,
        sysRoot / "dev/block" /
            (std::to_string(::major(info.st_dev)) + ":" + std::to_string(::minor(info.st_dev))));
}

class RemovableMediumTest : public testing::JobFixture, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        if (!testing::runningAsRoot()) {
            GTEST_SKIP() << "needs root for the loop device";
        }
        if (GetParam()) {
            noUnnamed.emplace();
        }
        image = dir.path() / "stick.img";
        ASSERT_TRUE(testing::makeExt2Image(image, kStickBytes));
        stick = Mount::image(image, dir.path() / "stick");
        if (!stick->ready()) {
            GTEST_SKIP() << stick->why();
        }
        fakeRemovableDisk(dir.path() / "sys", stick->at(), mountSource(stick->at()));
        machine.emplace("/proc/self/mounts", (dir.path() / "sys").string());
        machineFiles.emplace(*machine);
        freeSpace.emplace(*machineFiles);
        realPlatform.emplace(Platform{*machineFiles, *machine, *freeSpace, clock});
        real.emplace(Context{state, surface, *realPlatform});
        // The user pulls the stick as soon as the job says "Done!": the copy of the image is
        // what the stick holds, the files as the running system shows them what it should.
        surface.onLog = [&](const std::string& line) {
            if (line == "Done!") {
                pulled.push_back(dir.path() / ("pulled" + std::to_string(pulled.size()) + ".img"));
                fs::copy_file(image, pulled.back());
                shown.push_back({regularFiles(stick->at()), regularFiles(stick->at() / "next")});
            }
        };
    }

    void split(const fs::path& path, bool saveTo) {
        surface.setText(Control::Text2, std::to_string(kPieceSize));
        surface.check1 = saveTo ? 1 : 0;
        surface.drive = "d: [" + stick->at().string() + "]";
        state.FilePath = path.string();
        SplitFile(state.FilePath, *real);
    }

    // What copy number holds, in its root and in "next".
    std::pair<std::map<std::string, std::string>, std::map<std::string, std::string>> onCopy(
        std::size_t copy) {
        Mount mounted =
            Mount::image(pulled.at(copy), dir.path() / ("copy" + std::to_string(copy)), true);
        EXPECT_TRUE(mounted.ready()) << mounted.why();
        return {regularFiles(mounted.at()), regularFiles(mounted.at() / "next")};
    }

    std::optional<testing::NoUnnamedFiles> noUnnamed;
    fs::path image;
    std::optional<Mount> stick;
    std::optional<LinuxDriveTable> machine;
    std::optional<FileSystem> machineFiles;
    std::optional<StatvfsFreeSpace> freeSpace;
    std::optional<Platform> realPlatform;
    std::optional<Context> real;
    std::vector<fs::path> pulled;
    std::vector<std::pair<std::map<std::string, std::string>, std::map<std::string, std::string>>>
        shown;
};

TEST_P(RemovableMediumTest, WhatDoneReportsIsOnTheStickWhenItIsPulled) {
    ASSERT_TRUE(machine->onRemovableMedium(stick->at().string()));
    const std::string source = patternBytes(3 * kPieceSize + 1000, 31);
    fs::create_directories(dir.path() / "src");
    writeFile((dir.path() / "src/DATA.BIN").string(), source);
    fs::create_directories(stick->at() / "next");
    writeFile((stick->at() / "next/NEXT.BIN").string(), source);
    // What was there before the jobs is on the medium; only the jobs' own writing is in question.
    ::sync();

    split(dir.path() / "src/DATA.BIN", true);
    ASSERT_EQ(state.Outcome, JobOutcome::Done);
    split(stick->at() / "next/NEXT.BIN", false);
    ASSERT_EQ(state.Outcome, JobOutcome::Done);
    fs::rename(dir.path() / "src/DATA.BIN", dir.path() / "src/DATA.ORIG");
    surface.check1 = 0;
    surface.setEnabled(Control::Command3, true);
    state.FilePath = (stick->at() / "breldo.1").string();
    JoinFiles(state.FilePath, *real);
    ASSERT_EQ(state.Outcome, JobOutcome::Done);
    ASSERT_EQ(pulled.size(), 3U);

    // The jobs wrote what they should: four pieces in each place, and the source joined back.
    const auto& [root, next] = shown.back();
    const std::vector<std::size_t> sizes = {kPieceSize, kPieceSize, kPieceSize, 1160};
    for (const auto* place : {&root, &next}) {
        for (std::size_t k = 0; k < sizes.size(); ++k) {
            const std::string name = "breldo." + std::to_string(k + 1);
            EXPECT_EQ(place->count(name) == 1 ? place->at(name).size() : 0U, sizes[k]) << name;
        }
    }
    EXPECT_TRUE(root.count("DATA.BIN") == 1 && root.at("DATA.BIN") == source);

    const char* const jobs[] = {"the split with \"SaveTo:\"", "the split next to its source",
                                "the join"};
    for (std::size_t copy = 0; copy < pulled.size(); ++copy) {
        SCOPED_TRACE(jobs[copy]);
        const auto [copyRoot, copyNext] = onCopy(copy);
        EXPECT_TRUE(copyRoot == shown[copy].first)
            << "the stick's own directory holds " << namesAndSizes(copyRoot) << "instead of "
            << namesAndSizes(shown[copy].first);
        EXPECT_TRUE(copyNext == shown[copy].second)
            << "the source's directory holds " << namesAndSizes(copyNext) << "instead of "
            << namesAndSizes(shown[copy].second);
    }
    for (const std::string& under : {std::string(), std::string("next")}) {
        for (const std::string& name : listDir(stick->at() / under)) {
            EXPECT_NE(name.rfind(".roruvez-", 0), 0U) << "left behind: " << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, RemovableMediumTest, ::testing::Values(false, true),
                         testing::wayOfWriting);

// A disk that takes data and gives it back otherwise: a FUSE file system over an ext2 image, with
// no page cache, whose reads of a marked block come back altered. With checksums on, the piece
// that holds the mark is read back before the next disk and found out while the source is at
// hand; the box names it, and it never gets its name on the disk.
class BadDiskTest : public testing::JobFixture {};

TEST_F(BadDiskTest, APieceThatReadsBackWrongStopsTheSplitNamingIt) {
    if (!testing::runningAsRoot()) {
        GTEST_SKIP() << "needs root for the loop device and FUSE";
    }
    const fs::path image = dir.path() / "floppy.img";
    ASSERT_TRUE(testing::makeExt2Image(image, kStickBytes));
    Mount backing = Mount::image(image, dir.path() / "image");
    if (!backing.ready()) {
        GTEST_SKIP() << backing.why();
    }
    Mount disk = Mount::noLinkFs(backing.at(), dir.path() / "disk", "MARKED");
    if (!disk.ready()) {
        GTEST_SKIP() << disk.why();
    }
    drives.bind('a', disk.at().string());
    surface.check1 = 1;
    surface.drive = "a: [" + disk.at().string() + "]";
    freeSpace.setFreeBytes(kStickBytes);
    std::string source = patternBytes(3 * kPieceSize, 5);
    source.replace(kPieceSize + 1000, 6, "MARKED");  // in piece 2
    writeFile(dir.file("DATA.BIN"), source);
    surface.setText(Control::Text2, std::to_string(kPieceSize));

    SplitFile(dir.file("DATA.BIN"), context, JobRequest{.checksums = true});

    EXPECT_EQ(state.Outcome, JobOutcome::NotCompleted);
    const auto& prompts = surface.prompts();
    EXPECT_NE(std::find(prompts.begin(), prompts.end(),
                        std::string("a:breldo.2: ") + error_text::kReadBackDiffers),
              prompts.end())
        << ::testing::PrintToString(prompts);
    EXPECT_EQ(testing::listOnceReleased(disk.at()),
              (std::vector<std::string>{"breldo.1", "breldo.sha256", "lost+found"}));
}

// The flushes roruvez-cli makes in a split, as strace sees them: fsync, and sync_file_range
// starting a write-back ("start") or waiting for one ("wait").
std::map<std::string, int> flushesOfASplit(const fs::path& work,
                                           const std::vector<std::string>& options) {
    const fs::path trace = work / "trace";
    std::string command = "ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o '" + trace.string() +
                          "' -e trace=fsync,fdatasync,syncfs,sync_file_range '" RORUVEZ_CLI_PATH
                          "' split '" +
                          (work / "DATA.BIN").string() + "' --size 400000 --yes";
    for (const std::string& option : options) {
        command += " " + option;
    }
    std::map<std::string, int> flushes;
    if (!testing::shell(command)) {
        flushes["failed"] = 1;
        return flushes;
    }
    std::ifstream in(trace);
    for (std::string line; std::getline(in, line);) {
        // A call another thread interrupted goes on in a line of its own.
        if (line.find("resumed>") != std::string::npos) {
            continue;
        }
        if (line.find("sync_file_range(") != std::string::npos) {
            ++flushes[line.find("WAIT_AFTER") != std::string::npos ? "wait" : "start"];
            continue;
        }
        for (const char* name : {"fdatasync", "syncfs", "fsync"}) {
            if (line.find(std::string(name) + "(") != std::string::npos) {
                ++flushes[name];
                break;
            }
        }
    }
    return flushes;
}

TEST(FixedDiskTest, ASplitOnAFixedDiskIsNeverFlushedOnAFloppyDriveEveryPieceIs) {
    if (!testing::shell("strace -V")) {
        GTEST_SKIP() << "strace is not installed";
    }
    testing::TempDir dir;
    fs::create_directories(dir.path() / "floppy");
    writeFile(dir.file("DATA.BIN"), patternBytes(1000000, 3));

    EXPECT_TRUE(flushesOfASplit(dir.path(), {}).empty());
    // The same split onto a floppy drive: each of the three pieces is written back while it is
    // copied and waited for before it gets its name; then flushed before and after (for its link
    // count), then its directory.
    auto flushes = flushesOfASplit(
        dir.path(), {"--drive", "'a:=" + dir.file("floppy") + "'", "--save-to", "a:"});
    EXPECT_EQ(flushes["fsync"], 9);
    EXPECT_GE(flushes["start"], 3);
    EXPECT_GE(flushes["wait"], 3);
    EXPECT_EQ(flushes.size(), 3U) << "another kind of flush";
}

}  // namespace
}  // namespace roruvez

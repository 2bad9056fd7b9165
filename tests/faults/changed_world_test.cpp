// A job works on what it checked, from the check to "Done!", or fails plainly: the source it
// measured, the pieces it counted, the directory or drive it resolved. Each test changes one of
// them at a named point of the job and looks for a plain failure and nothing anywhere else.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "join/piece_set.h"
#include "mounts.h"
#include "platform/drive_table.h"
#include "platform/error.h"
#include "platform/free_space.h"
#include "platform/output_file.h"
#include "state/failure_texts.h"
#include "support/no_unnamed_files.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::listDir;
using testing::patternBytes;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

class ChangedWorldTest : public testing::JoinFixture {
  protected:
    bool anyBoxSays(const std::string& text) const {
        const auto prompts = surface.prompts();
        return std::find(prompts.begin(), prompts.end(), text) != prompts.end();
    }

    // Sends the job's output to a drive letter, as "SaveTo:" does.
    void saveTo(char letter, const fs::path& directory) {
        drives.bind(letter, directory.string());
        surface.check1 = 1;
        surface.drive = std::string(1, letter) + ": [" + directory.string() + "]";
    }

    // The user answers "Verify the Disk." with Cancel.
    void giveUpAtVerifyTheDisk() {
        surface.onMessageBox = [](const testing::ShownBox& box) -> std::optional<Answer> {
            return box.prompt == "Verify the Disk." ? std::optional(Answer::Cancel) : std::nullopt;
        };
    }

    // The pieces in directory are consecutive from 1, each the right bytes of source in pieces
    // of pieceSize, and fewer than a whole set: a failed split leaves nothing more.
    static void expectIncompleteSet(const fs::path& directory, const std::string& source,
                                    std::size_t pieceSize) {
        std::size_t at = 0;
        int number = 1;
        for (; fs::exists(directory / ("breldo." + std::to_string(number))); ++number) {
            std::string bytes =
                readFile((directory / ("breldo." + std::to_string(number))).string());
            if (number == 1) {
                bytes.erase(0, 160);
            }
            EXPECT_EQ(bytes.size(), pieceSize - (number == 1 ? 160 : 0)) << "piece " << number;
            EXPECT_TRUE(source.compare(at, bytes.size(), bytes) == 0) << "piece " << number;
            at += bytes.size();
        }
        EXPECT_LT(at, source.size()) << "a whole set was written";
        for (const std::string& name : listDir(directory)) {
            EXPECT_NE(name[0], '.') << name << " left behind";
        }
    }
};

enum class Change { Shrink, Grow, RenameOver, Rewrite };

void change(const std::string& path, Change how) {
    switch (how) {
        case Change::Rewrite: {
            // As many bytes in place; dated a second on, as a clock tick later would be.
            const auto written = fs::last_write_time(path);
            std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << "rewritten";
            fs::last_write_time(path, written + std::chrono::seconds(1));
            break;
        }
        case Change::Shrink:
            fs::resize_file(path, 700000);
            break;
        case Change::Grow: {
            std::ofstream(path, std::ios::app) << "appended";
            break;
        }
        case Change::RenameOver:
            writeFile(path + ".new", patternBytes(fs::file_size(path), 9));
            fs::rename(path + ".new", path);
            break;
    }
}

const char* nameOf(Change how) {
    return how == Change::Shrink       ? "shrinks"
           : how == Change::Grow       ? "grows"
           : how == Change::RenameOver ? "is renamed over"
                                       : "is rewritten in place";
}

TEST_F(ChangedWorldTest, ASourceThatChangesFailsTheSplitAndNamesIt) {
    const std::size_t kSize = 2000000;
    const std::size_t kPiece = 600000;
    for (bool atPrompt : {true, false}) {
        for (Change how : {Change::Shrink, Change::Grow, Change::RenameOver, Change::Rewrite}) {
            SCOPED_TRACE(std::string(nameOf(how)) +
                         (atPrompt ? " at the disk prompt" : " mid-copy"));
            freshDir();
            TempDir floppy;
            surface.check1 = 0;
            const std::string path = dir.file("SOURCE.BIN");
            const std::string source = patternBytes(kSize);
            writeFile(path, source);
            bool changed = false;
            surface.onMessageBox = {};
            surface.onProgress = {};
            if (atPrompt) {
                saveTo('a', floppy.path());
                freeSpace.setFreeBytes(1457664);
                surface.onMessageBox = [&](const testing::ShownBox& box) -> std::optional<Answer> {
                    if (!changed && box.prompt.starts_with("Please insert a Floppy")) {
                        changed = true;
                        change(path, how);
                    }
                    return std::nullopt;
                };
            } else {
                surface.onProgress = [&](const JobProgress& done) {
                    if (!changed && done.pieceNumber == 2 && done.pieceBytes >= 262144) {
                        changed = true;
                        change(path, how);
                    }
                };
            }

            runSplit(path, std::to_string(kPiece));

            EXPECT_TRUE(changed);
            EXPECT_TRUE(anyBoxSays(path + " changed while it was split"));
            EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
            EXPECT_EQ(state.Outcome, JobOutcome::NotCompleted);
            expectIncompleteSet(atPrompt ? floppy.path() : dir.path(), source, kPiece);
        }
    }
}

TEST_F(ChangedWorldTest, APieceThatChangesAfterTheCountFailsTheJoin) {
    const std::string data = patternBytes(5000);
    const struct {
        JobPoint point;
        Change how;
    } cases[] = {
        {JobPoint::PiecesCounted, Change::Shrink},     {JobPoint::PiecesCounted, Change::Grow},
        {JobPoint::PiecesCounted, Change::RenameOver}, {JobPoint::PieceOpened, Change::Shrink},
        {JobPoint::PieceOpened, Change::Grow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("piece 3 ") + nameOf(c.how) +
                     (c.point == JobPoint::PiecesCounted ? " after the count" : " once open"));
        freshDir();
        writeSet({.name = "S.BIN"}, data, 1400);
        surface.onPoint = [&](JobPoint point, const std::string& path) {
            if (point == c.point && (point == JobPoint::PiecesCounted || path == piece(3))) {
                if (c.how == Change::Shrink) {
                    fs::resize_file(piece(3), 1000);
                } else {
                    change(piece(3), c.how);
                }
            }
        };

        join();

        const auto prompts = surface.prompts();
        ASSERT_FALSE(prompts.empty());
        EXPECT_NE(prompts.back().find(piece(3) + ": The piece changed while it was joined"),
                  std::string::npos)
            << prompts.back();
        expectNotCompleted();
        expectDirHolds({"breldo.1", "breldo.2", "breldo.3", "breldo.4"});
    }
}

TEST_F(ChangedWorldTest, AFirstPieceSwappedAfterTheHeaderCheckIsNeverCopied) {
    const std::string theirs = patternBytes(3000, 5);
    TempDir other;
    testing::writePieceSet(other.prefix(), testing::headerBytes({.name = "T.BIN", .size = " 3000"}),
                           theirs, 1400);
    for (bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "header rewritten in place" : "file replaced");
        freshDir();
        writeSet({.name = "S.BIN"}, patternBytes(3000), 1400);
        surface.onPoint = [&](JobPoint point, const std::string&) {
            if (point != JobPoint::PiecesCounted) {
                return;
            }
            if (inPlace) {
                std::fstream file(piece(1), std::ios::in | std::ios::out | std::ios::binary);
                file.write(readFile(other.file("breldo.1")).data(), 160);
            } else {
                fs::copy_file(other.file("breldo.1"), piece(1) + ".new");
                fs::rename(piece(1) + ".new", piece(1));
            }
        };

        join();

        EXPECT_NE(surface.prompts().back().find("The piece changed while it was joined"),
                  std::string::npos);
        expectNotCompleted();
        EXPECT_FALSE(fs::exists(dir.file("S.BIN")));
        EXPECT_FALSE(fs::exists(dir.file("T.BIN")));
    }
}

// The target directory moved away and an empty one put in its place, as a stick pulled leaves
// its bare mount point: no piece may land in the stand-in.
// Another program changes a piece the split has named, keeping its length: "Done!" would vouch
// for bytes the job never wrote.
TEST_F(ChangedWorldTest, APieceChangedAfterItWasNamedIsNamedInsteadOfDone) {
    for (Change how : {Change::Rewrite, Change::RenameOver}) {
        SCOPED_TRACE(std::string("breldo.1 ") + nameOf(how));
        freshDir();
        writeFile(dir.file("SOURCE.BIN"), patternBytes(5000));
        surface.onPoint = [&](JobPoint point, const std::string& path) {
            if (point == JobPoint::PieceCopied && path == piece(3)) {
                change(piece(1), how);
            }
        };

        runSplit(dir.file("SOURCE.BIN"), "1400");

        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        EXPECT_TRUE(anyBoxSays(std::string(error_text::kNamedOutputsLost) + "\r\n" + piece(1) +
                               ": " +
                               (how == Change::Rewrite ? error_text::kNamedOutputChanged
                                                       : error_text::kNamedOutputTaken)))
            << ::testing::PrintToString(surface.prompts());
    }
}

TEST_F(ChangedWorldTest, ADirectoryReplacedMidSplitTakesNoPiece) {
    const fs::path place = dir.path() / "stick";
    fs::create_directory(place);
    const std::string path = (place / "SOURCE.BIN").string();
    writeFile(path, patternBytes(5000));
    surface.onLog = [&](const std::string& line) {
        if (line == (place / "breldo.3").string()) {
            fs::rename(place, dir.path() / "pulled");
            fs::create_directory(place);
        }
    };

    runSplit(path, "1400");

    EXPECT_TRUE(anyBoxSays("Failed to write to Disk!"));
    EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
    EXPECT_TRUE(listDir(place).empty());
    EXPECT_EQ(listDir(dir.path() / "pulled"),
              (std::vector<std::string>{"SOURCE.BIN", "breldo.1", "breldo.2"}));
}

// A drive letter that comes to mean another disk mid-job: at a piece's name check (the user is
// asked to verify the disk and gives up) or while a piece is written (the piece is not named).
TEST_F(ChangedWorldTest, ALetterGivenToAnotherDiskMidSplitTakesNoPiece) {
    for (JobPoint when : {JobPoint::SourceMeasured, JobPoint::PieceCopied}) {
        SCOPED_TRACE(when == JobPoint::PieceCopied ? "while piece 3 is written"
                                                   : "at piece 3's name check");
        freshDir();
        TempDir stick;
        TempDir otherDisk;
        saveTo('j', stick.path());
        const std::string path = dir.file("SOURCE.BIN");
        writeFile(path, patternBytes(5000));
        const auto takeLetter = [&] { drives.bind('j', otherDisk.path().string()); };
        surface.onLog = [&](const std::string& line) {
            if (when == JobPoint::SourceMeasured && line == "j:breldo.3") {
                takeLetter();
            }
        };
        surface.onPoint = [&](JobPoint point, const std::string& piecePath) {
            if (when == JobPoint::PieceCopied && point == when && piecePath == "j:breldo.3") {
                takeLetter();
            }
        };
        giveUpAtVerifyTheDisk();

        runSplit(path, "1400");

        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        EXPECT_TRUE(listDir(otherDisk.path()).empty());
        EXPECT_EQ(listDir(stick.path()), (std::vector<std::string>{"breldo.1", "breldo.2"}));
        EXPECT_TRUE(when == JobPoint::PieceCopied
                        ? anyBoxSays("The disk or directory is no longer the one the job began on")
                        : anyBoxSays("Verify the Disk."));
    }
}

TEST_F(ChangedWorldTest, AJoinOntoALetterGivenToAnotherDiskRestoresNothing) {
    TempDir stick;
    TempDir otherDisk;
    const std::string ours = patternBytes(3000, 3);
    testing::writePieceSet(stick.prefix(), testing::headerBytes({.name = "S.BIN", .size = " 3000"}),
                           ours, 1400);
    testing::writePieceSet(otherDisk.prefix(),
                           testing::headerBytes({.name = "S.BIN", .size = " 3000"}),
                           patternBytes(3000, 4), 1400);
    fs::copy_file(stick.file("breldo.1"), dir.file("breldo.1"));
    saveTo('j', stick.path());
    surface.onPoint = [&](JobPoint point, const std::string&) {
        if (point == JobPoint::PiecesCounted) {
            drives.bind('j', otherDisk.path().string());
        }
    };
    giveUpAtVerifyTheDisk();

    join();

    EXPECT_TRUE(anyBoxSays("Verify the Disk."));
    EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
    EXPECT_FALSE(fs::exists(otherDisk.file("S.BIN")));
    EXPECT_FALSE(fs::exists(stick.file("S.BIN")));
}

// A real stick pulled mid-split: an ext2 image on a loop device in a private mount namespace,
// unmounted lazily while piece 3's name is checked, leaving the bare mount point on the root disk.
TEST_F(ChangedWorldTest, AStickPulledMidSplitLeavesNothingOnTheBareMountPoint) {
    if (!testing::runningAsRoot()) {
        GTEST_SKIP() << "mounting a stick needs root";
    }
    if (!testing::enterPrivateMountNamespace()) {
        GTEST_SKIP() << "no private mount namespace here";
    }
    const fs::path image = dir.path() / "stick.img";
    ASSERT_TRUE(testing::makeExt2Image(image, 8 << 20));
    testing::Mount stick = testing::Mount::image(image, dir.path() / "stick");
    if (!stick.ready()) {
        GTEST_SKIP() << stick.why();
    }
    const std::string path = (stick.at() / "SOURCE.BIN").string();
    writeFile(path, patternBytes(5000));
    fs::remove_all(stick.at() / "lost+found");
    surface.onLog = [&](const std::string& line) {
        if (line == (stick.at() / "breldo.3").string()) {
            ASSERT_TRUE(testing::shell("umount -l '" + stick.at().string() + "'"));
        }
    };

    runSplit(path, "1400");

    EXPECT_TRUE(anyBoxSays("Failed to write to Disk!"));
    EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
    EXPECT_TRUE(listDir(stick.at()).empty()) << "pieces written to the bare mount point";
}

// The machine's own drive letters over real disks: ext2 images on loop devices in a private
// mount namespace. Stick a and disk b sort next to each other, so that once a is pulled its
// letter is b's; a stick plugged in where a was keeps the letter and is another disk all the same.
class RealLettersTest : public ChangedWorldTest {
  protected:
    void SetUp() override {
        if (!testing::runningAsRoot()) {
            GTEST_SKIP() << "mounting sticks needs root";
        }
        if (!testing::enterPrivateMountNamespace()) {
            GTEST_SKIP() << "no private mount namespace here";
        }
        jobContext = &real;
    }

    // A fresh ext2 image, mounted at place with nothing on it.
    testing::Mount plugIn(const std::string& image, const fs::path& place) {
        const fs::path file = dir.path() / image;
        EXPECT_TRUE(testing::makeExt2Image(file, 4 << 20));
        testing::Mount mount = testing::Mount::image(file, place);
        if (mount.ready()) {
            fs::remove_all(place / "lost+found");
        }
        return mount;
    }

    // What an image holds once it is out of every drive, mounted again read-only to look.
    std::vector<std::string> heldBy(const std::string& image) {
        const testing::Mount look =
            testing::Mount::image(dir.path() / image, dir.path() / ("look-" + image), true);
        EXPECT_TRUE(look.ready()) << look.why();
        std::vector<std::string> names = listDir(look.at());
        std::erase(names, "lost+found");
        return names;
    }

    char letterOf(const fs::path& directory) {
        for (const Drive& drive : machine.drives()) {
            if (drive.directory == directory.string()) {
                return drive.letter;
            }
        }
        return 0;
    }

    LinuxDriveTable machine;
    FileSystem machineFiles{machine};
    StatvfsFreeSpace machineFree{machineFiles};
    Platform machinePlatform{machineFiles, machine, machineFree, clock};
    Context real{state, surface, machinePlatform};
};

TEST_F(RealLettersTest, AStickPulledOrSwappedUnderItsLetterMidSplitTakesNoPiece) {
    enum class World { Pulled, SwappedAtTheNameCheck, SwappedWhileWritten };
    for (World world : {World::Pulled, World::SwappedAtTheNameCheck, World::SwappedWhileWritten}) {
        SCOPED_TRACE(world == World::Pulled                  ? "stick pulled"
                     : world == World::SwappedAtTheNameCheck ? "another stick in its place"
                                                             : "swapped while piece 3 is written");
        freshDir();
        testing::Mount stick = plugIn("a.img", dir.path() / "a");
        testing::Mount disk = plugIn("b.img", dir.path() / "b");
        std::optional<testing::Mount> newStick;
        if (!stick.ready() || !disk.ready()) {
            GTEST_SKIP() << stick.why() << disk.why();
        }
        const char letter = letterOf(stick.at());
        ASSERT_NE(letter, 0) << "the stick has no letter";
        saveTo(letter, stick.at());
        const std::string path = dir.file("SOURCE.BIN");
        writeFile(path, patternBytes(5000));
        const std::string third = std::string(1, letter) + ":breldo.3";
        const auto change = [&] {
            stick.unmount();
            if (world == World::Pulled) {
                ASSERT_EQ(letterOf(disk.at()), letter) << "the pulled stick's letter went nowhere";
            } else {
                newStick.emplace(plugIn("c.img", stick.at()));
                ASSERT_TRUE(newStick->ready()) << newStick->why();
                ASSERT_EQ(letterOf(stick.at()), letter);
            }
        };
        surface.onLog = [&](const std::string& line) {
            if (world != World::SwappedWhileWritten && line == third) {
                change();
            }
        };
        surface.onPoint = [&](JobPoint point, const std::string& piecePath) {
            if (world == World::SwappedWhileWritten && point == JobPoint::PieceCopied &&
                piecePath == third) {
                change();
            }
        };
        giveUpAtVerifyTheDisk();

        runSplit(path, "1400");

        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        EXPECT_TRUE(world == World::SwappedWhileWritten
                        ? anyBoxSays("The disk or directory is no longer the one the job began on")
                        : anyBoxSays("Verify the Disk."));
        EXPECT_TRUE(listDir(disk.at()).empty());
        if (newStick) {
            EXPECT_TRUE(listDir(newStick->at()).empty());
            newStick->unmount();
        }
        disk.unmount();
        EXPECT_EQ(heldBy("a.img"), (std::vector<std::string>{"breldo.1", "breldo.2"}));
    }
}

// The join restores onto the letter of a stick that is pulled once the pieces are counted; the
// letter now leads to a disk holding a set of its own under the same name.
TEST_F(RealLettersTest, AJoinOntoTheLetterOfAPulledStickRestoresNothingAnywhere) {
    testing::Mount stick = plugIn("a.img", dir.path() / "a");
    testing::Mount disk = plugIn("b.img", dir.path() / "b");
    if (!stick.ready() || !disk.ready()) {
        GTEST_SKIP() << stick.why() << disk.why();
    }
    const auto header = testing::headerBytes({.name = "S.BIN", .size = " 3000"});
    testing::writePieceSet(stick.at().string() + "/", header, patternBytes(3000, 3), 1400);
    testing::writePieceSet(disk.at().string() + "/", header, patternBytes(3000, 4), 1400);
    fs::copy_file(stick.at() / "breldo.1", dir.file("breldo.1"));
    const char letter = letterOf(stick.at());
    ASSERT_NE(letter, 0) << "the stick has no letter";
    saveTo(letter, stick.at());
    surface.onPoint = [&](JobPoint point, const std::string&) {
        if (point == JobPoint::PiecesCounted) {
            stick.unmount();
            ASSERT_EQ(letterOf(disk.at()), letter);
        }
    };
    giveUpAtVerifyTheDisk();

    join();

    EXPECT_TRUE(anyBoxSays("Verify the Disk."));
    EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
    EXPECT_FALSE(fs::exists(disk.at() / "S.BIN"));
    disk.unmount();
    EXPECT_EQ(heldBy("a.img"), (std::vector<std::string>{"breldo.1", "breldo.2", "breldo.3"}));
}

// A job in its own pid namespace, as a sandboxed program runs, cannot see this process: the live
// hidden output here must survive its sweep all the same.
TEST_F(ChangedWorldTest, ALiveHiddenOutputOfAnotherPidNamespaceIsLeftAlone) {
    if (!testing::runningAsRoot() || !testing::shell("unshare -p -f true")) {
        GTEST_SKIP() << "needs root and unshare for a pid namespace";
    }
    const testing::NoUnnamedFiles hidden;
    auto output = files.createOutput(dir.file("MINE.BIN"));
    output->write(reinterpret_cast<const std::byte*>("mine"), 4);
    writeFile(dir.file("SOURCE.BIN"), patternBytes(5000));

    ASSERT_TRUE(testing::shell("unshare -p -f env LD_PRELOAD='" RORUVEZ_NO_UNNAMED_PRELOAD "' " +
                               std::string(testing::kNoUnnamedFiles) +
                               "=1 '" RORUVEZ_CLI_PATH "' split '" + dir.file("SOURCE.BIN") +
                               "' --size 1400 --yes"));

    ASSERT_NO_THROW(output->publish());
    EXPECT_EQ(readFile(dir.file("MINE.BIN")), "mine");
    EXPECT_TRUE(fs::exists(dir.file("breldo.4")));
}

// One share reached through two mounts of a path-based FUSE bridge: a lock taken through one is
// not seen through the other, and another client of the share can put a new directory under the
// path without either mount noticing.
class TwoMountsTest : public ChangedWorldTest {
  protected:
    void SetUp() override {
        if (!testing::runningAsRoot()) {
            GTEST_SKIP() << "mounting a FUSE bridge needs root";
        }
        if (!testing::enterPrivateMountNamespace()) {
            GTEST_SKIP() << "no private mount namespace here";
        }
        fs::create_directories(share / work);
        first.emplace(testing::Mount::noLinkFs(share, place.path() / "m1"));
        second.emplace(testing::Mount::noLinkFs(share, place.path() / "m2"));
        if (!first->ready() || !second->ready()) {
            GTEST_SKIP() << first->why() << second->why();
        }
    }

    std::string viaFirst(const std::string& name) const {
        return (first->at() / work / name).string();
    }

    bool anyBoxHolds(const std::string& text) const {
        const auto prompts = surface.prompts();
        return std::any_of(prompts.begin(), prompts.end(), [&](const std::string& prompt) {
            return prompt.find(text) != std::string::npos;
        });
    }

    // Another client of the share moves the job's directory away and puts from in its place.
    void swapDirectory(const std::string& from) const {
        fs::rename(share / work, share / (work + ".old"));
        fs::rename(share / from, share / work);
    }

    // The pieces in the share's directory, with piece 1's header taken off.
    std::string setData(const fs::path& directory) const {
        std::string data;
        for (int number = 1; fs::exists(directory / ("breldo." + std::to_string(number)));
             ++number) {
            data += readFile((directory / ("breldo." + std::to_string(number))).string())
                        .substr(number == 1 ? 160 : 0);
        }
        return data;
    }

    TempDir place;
    fs::path share = place.path() / "share";
    std::optional<testing::Mount> first;
    std::optional<testing::Mount> second;
    // The job's directory in the share.
    std::string work = "work";
};

TEST_F(TwoMountsTest, AJobThroughTheOtherMountNeitherRemovesNorReplacesThisOnesOutput) {
    const std::string ours = patternBytes(5000, 1);
    const std::string theirs = patternBytes(5000, 2);
    writeFile((share / work / "A.BIN").string(), ours);
    writeFile((share / work / "B.BIN").string(), theirs);
    int rival = -1;
    surface.onPoint = [&](JobPoint point, const std::string& path) {
        // This job's piece 1 is written under its hidden name; the rival's sweep sees it.
        if (point == JobPoint::PieceCopied && path == viaFirst("breldo.1")) {
            rival = std::system(("'" RORUVEZ_CLI_PATH "' split '" +
                                 (second->at() / "work" / "B.BIN").string() +
                                 "' --size 1400 --yes >/dev/null 2>&1")
                                    .c_str());
        }
    };

    runSplit(viaFirst("A.BIN"), "1400");

    EXPECT_EQ(rival, 0);
    EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
    EXPECT_TRUE(anyBoxSays("File exists")) << ::testing::PrintToString(surface.prompts());
    EXPECT_TRUE(setData(share / work) == theirs) << "the set mixes the two sources";
    EXPECT_EQ(testing::listOnceReleased(share / work),
              (std::vector<std::string>{"A.BIN", "B.BIN", "breldo.1", "breldo.2", "breldo.3",
                                        "breldo.4"}));
}

// The directory swapped while piece 3 is named or written: the set is not whole anywhere, so the
// job ends "Not completed!", and a hidden output it cannot reach any more is named in the box.
TEST_F(TwoMountsTest, ADirectorySwappedBehindTheMountNeverEndsInDone) {
    const std::string source = place.file("SOURCE.BIN");
    writeFile(source, patternBytes(5000));
    for (bool writing : {false, true}) {
        SCOPED_TRACE(writing ? "while piece 3 is written" : "at piece 3's name check");
        // A directory of its own each time: the mount's cache still knows the last one's names.
        work = writing ? "written" : "named";
        fs::create_directory(share / work);
        fs::create_directory(share / (work + ".new"));
        saveTo('j', first->at() / work);
        surface.onLog = [&](const std::string& line) {
            if (!writing && line == "j:breldo.3") {
                swapDirectory(work + ".new");
            }
        };
        surface.onPoint = [&](JobPoint point, const std::string& path) {
            if (writing && point == JobPoint::PieceCopied && path == "j:breldo.3") {
                swapDirectory(work + ".new");
            }
        };

        runSplit(source, "1400");

        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        std::string lost = error_text::kNamedOutputsLost;
        for (const char* name : {"j:breldo.1", "j:breldo.2"}) {
            lost += std::string("\r\n") + name + ": " + error_text::kNamedOutputMissing;
        }
        EXPECT_TRUE(writing ? anyBoxHolds("could not be removed") : anyBoxSays(lost))
            << ::testing::PrintToString(surface.prompts());
    }
}

TEST_F(TwoMountsTest, ASetSwappedBehindTheMountMidJoinIsNeverMixedIn) {
    const auto header = testing::headerBytes({.name = "S.BIN", .size = " 5000"});
    testing::writePieceSet((share / work).string() + "/", header, patternBytes(5000, 1), 1400);
    fs::create_directories(share / "other");
    testing::writePieceSet((share / "other").string() + "/", header, patternBytes(5000, 2), 1400);
    for (const std::string& name : listDir(share / "other")) {
        // Made a while before, as another set is.
        fs::last_write_time(share / "other" / name,
                            fs::last_write_time(share / "other" / name) - std::chrono::hours(1));
    }
    surface.onPoint = [&](JobPoint point, const std::string& path) {
        if (point == JobPoint::PieceOpened && path == viaFirst("breldo.1")) {
            swapDirectory("other");
        }
    };

    join(viaFirst("breldo.1"));

    const std::string box = surface.prompts().back();
    EXPECT_NE(box.find(viaFirst("breldo.2") + ": The piece changed while it was joined"),
              std::string::npos)
        << ::testing::PrintToString(surface.prompts());
    // The leftover is named where a user finds it: the old directory, moved within the share.
    const std::string start = "The unfinished copy ";
    const std::size_t named = box.find(start);
    ASSERT_NE(named, std::string::npos) << box;
    const std::string leftover =
        box.substr(named + start.size(), box.find(" could not be removed") - named - start.size());
    EXPECT_TRUE(leftover.find("moved or replaced since") != std::string::npos ||
                fs::exists(leftover))
        << box;
    EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
    EXPECT_FALSE(fs::exists(share / work / "S.BIN"));
    EXPECT_FALSE(fs::exists(share / (work + ".old") / "S.BIN"));
}

}  // namespace
}  // namespace roruvez

// A set split onto floppy disks joins back from them, a disk at a time, into a folder elsewhere.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "join/join_driver.h"
#include "split/split_driver.h"
#include "state/failure_texts.h"
#include "support/disk_shelf.h"
#include "support/job_fixture.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::listDir;
using testing::patternBytes;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

constexpr const char* kLongName = "Holiday video 2024.mp4";
constexpr const char* kSkipLine =
    "\r\nor Skip to go on without it: its piece is rebuilt at the end from the set's recovery "
    "disks.";

std::string promptFor(int disk) {
    return "Please Insert the Floppy Disk with breldo." + std::to_string(disk) + " (disk " +
           std::to_string(disk) + " of 3) then press OK";
}

std::string recoveryPrompt(bool first) {
    return first ? "Please Insert the Floppy Disk with breldo.par2 (the first recovery disk) then "
                   "press OK"
                 : "Please Insert the next recovery disk then press OK";
}

class DiskJoinTest : public testing::JobFixture {
  protected:
    DiskJoinTest() {
        drives.bind('a', floppy.path().string());
        freeSpace.setFreeBytes(1457664);
    }

    // Splits 2,500 bytes under kLongName in pieces of 1,000 onto three disks, with checksums,
    // then the recovery disks asked for.
    void splitOntoDisks(int recovery = 0) {
        source = patternBytes(2500, 7);
        writeFile(dir.file(kLongName), source);
        surface.setText(Control::Text2, "1000");
        surface.check1 = 1;
        surface.drive = "a: [" + floppy.path().string() + "]";
        surface.onMessageBox = shelf.takingOutAtEachPrompt();
        SplitFile(dir.file(kLongName), context, {.checksums = true, .recovery = recovery});
        ASSERT_EQ(surface.caption(Control::Label9), "Done!");
        shelf.takeOut();
        ASSERT_EQ(shelf.count(), 3 + recovery);
        surface.check1 = 0;
    }

    // Joins from disk 1 in the drive; at each prompt, change(disk asked for, times asked) puts a
    // disk in and may answer. A recovery disk is disk 0.
    void joinFromDisks(const std::function<std::optional<Answer>(int, int)>& change) {
        shelf.insert(1);
        surface.clearHistory();
        std::map<int, int> asked;
        surface.onMessageBox = [&](const testing::ShownBox& box) -> std::optional<Answer> {
            for (int number = 2; number <= 3; ++number) {
                if (box.prompt.find(promptFor(number)) != std::string::npos) {
                    return change(number, ++asked[number]);
                }
            }
            if (box.prompt.find("recovery disk then") != std::string::npos ||
                box.prompt.find("(the first recovery disk)") != std::string::npos) {
                return change(0, ++asked[0]);
            }
            return std::nullopt;
        };
        JoinFiles(floppy.file("breldo.1"), context, request);
    }
    std::optional<Answer> rightDisk(int number) {
        shelf.insert(number == 0 ? 4 : number);
        return std::nullopt;
    }

    TempDir floppy;
    testing::DiskShelf shelf{floppy.path()};
    TempDir into;
    std::string source;
};

// The round trip the tool promises: split onto disks, join from them into another drive, the
// same file back under its long name, every disk prompted for and logged, and the list checks it.
TEST_F(DiskJoinTest, AFloppySetJoinsFromItsDisksIntoAnotherFolder) {
    splitOntoDisks();
    surface.folder = into.path().string();
    joinFromDisks([&](int number, int) { return rightDisk(number); });

    EXPECT_EQ(surface.caption(Control::Label9), "Done!")
        << ::testing::PrintToString(surface.prompts());
    EXPECT_EQ(surface.folderTitles.size(), 1U);
    EXPECT_EQ(surface.prompts(), (std::vector<std::string>{promptFor(2), promptFor(3)}));
    EXPECT_EQ(listDir(into.path()), std::vector<std::string>{kLongName});
    EXPECT_TRUE(readFile(into.file(kLongName)) == source);
    const auto log = surface.logLines();
    for (const char* piece : {"breldo.1", "breldo.2", "breldo.3"}) {
        EXPECT_NE(std::find(log.begin(), log.end(), floppy.file(piece)), log.end()) << piece;
    }
    EXPECT_EQ(log.back(), "Done!");
    fs::copy_file(shelf.disk(3) / "breldo.sha256", into.path() / "breldo.sha256");
    EXPECT_TRUE(testing::sha256sumPasses(into.path().string(), true));
}

// Every disk that is not the one asked for is named in the next prompt, and the right one then
// joins; a cancel, a folder on the disks themselves or too small ends with nothing written.
TEST_F(DiskJoinTest, WrongDisksAreAskedForAgainAndRefusalsWriteNothing) {
    splitOntoDisks();
    const auto spoilt = [&](const std::function<void()>& spoil) {
        return [this, spoil](int number, int times) -> std::optional<Answer> {
            if (number == 2 && times == 1) {
                shelf.insert(2);
                spoil();
                return std::nullopt;
            }
            return rightDisk(number);
        };
    };
    const std::string piece2 = floppy.file("breldo.2");
    const struct {
        const char* what;
        std::function<std::optional<Answer>(int, int)> change;
        std::string why;  // in the second prompt for disk 2
    } rows[] = {
        {"the third disk", spoilt([&] { shelf.insert(3); }), piece2 + " is not on this disk."},
        {"an empty disk", spoilt([&] { fs::remove(piece2); }), piece2 + " is not on this disk."},
        {"a piece cut short", spoilt([&] { writeFile(piece2, std::string(999, 'x')); }),
         piece2 + " on this disk holds 999 bytes, not the 1000 of piece 2 of this set."},
        {"a disk that reads wrong", spoilt([&] {
             std::string bytes = readFile(piece2);
             bytes[500] ^= 1;
             writeFile(piece2, bytes);
         }),
         piece2 + " differs from its checksum in " + floppy.file("breldo.sha256") +
             ": the disk may be bad."},
        {"another set's disk", spoilt([&] {
             std::string list = readFile(floppy.file("breldo.sha256"));
             list[0] = list[0] == '0' ? '1' : '0';
             writeFile(floppy.file("breldo.sha256"), list);
         }),
         floppy.file("breldo.sha256") +
             " lists other pieces than those read: the disk is of another set."},
    };
    surface.folder = into.path().string();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(into.path());
        fs::create_directory(into.path());
        joinFromDisks(row.change);
        EXPECT_EQ(surface.caption(Control::Label9), "Done!");
        EXPECT_EQ(surface.prompts(),
                  (std::vector<std::string>{
                      promptFor(2), row.why + "\r\n" + promptFor(2) + kSkipLine, promptFor(3)}));
        EXPECT_TRUE(readFile(into.file(kLongName)) == source);
    }

    const struct {
        const char* what;
        std::function<void()> setUp;
        std::string box;
    } refusals[] = {
        {"cancelled at the second disk", [&] { surface.answer({Answer::Cancel}); },
         error_text::kDiskJoinCancelled},
        {"no folder chosen", [&] { surface.folder.clear(); }, error_text::kFolderNeeded},
        {"the folder on the floppy drive", [&] { surface.folder = "a:"; },
         std::string(error_text::kOntoTheDisks) + "a:"},
        {"too little room", [&] { freeSpace.setFreeBytes(2499); },
         "Not enough free space in " + into.prefix() +
             ": the file needs 2500 bytes, and 2499 are free."},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        fs::remove_all(into.path());
        fs::create_directory(into.path());
        surface.folder = into.path().string();
        freeSpace.setFreeBytes(1457664);
        refusal.setUp();
        joinFromDisks([&](int number, int) { return rightDisk(number); });
        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        ASSERT_FALSE(surface.prompts().empty());
        EXPECT_EQ(surface.prompts().back(), refusal.box);
        EXPECT_TRUE(listDir(into.path()).empty());
    }
}

// With recovery disks, a disk that reads wrong can be skipped: its piece is rebuilt at the end
// from the recovery disks, asked for again while the one in the drive cannot give it. A cancel
// there, or too little recovery data, writes nothing.
TEST_F(DiskJoinTest, ASkippedDiskIsRebuiltFromTheRecoveryDisks) {
    splitOntoDisks(2);
    surface.folder = into.path().string();
    // The recovery files of other splits: of other bytes, and in pieces of other lengths.
    TempDir otherSet;
    TempDir otherLengths;
    for (const auto& [where, pieceSize] : {std::pair{&otherSet, "1000"}, {&otherLengths, "800"}}) {
        writeFile(where->file("OTHER.BIN"), patternBytes(2500, 8));
        surface.setText(Control::Text2, pieceSize);
        SplitFile(where->file("OTHER.BIN"), context, {.recovery = 2});
        ASSERT_EQ(surface.caption(Control::Label9), "Done!");
    }
    const auto insertRecoveryOf = [&](const TempDir& where) {
        fs::remove_all(floppy.path());
        fs::create_directory(floppy.path());
        for (const auto& entry : fs::directory_iterator(where.path())) {
            if (entry.path().extension() == ".par2") {
                fs::copy_file(entry.path(), floppy.path() / entry.path().filename());
            }
        }
    };
    const auto damaged = [&](int number) {
        shelf.insert(number);
        const std::string piece = floppy.file("breldo." + std::to_string(number));
        std::string bytes = readFile(piece);
        bytes[10] ^= 1;
        writeFile(piece, bytes);
    };
    const std::string first = recoveryPrompt(true);
    const std::string next = recoveryPrompt(false);
    const std::string unusable = floppy.file("breldo.par2") + " cannot be used: ";
    const std::string oneOfTwo = "The recovery disks read hold 1 of the 2 recovery slices needed.";
    const struct {
        const char* what;
        std::set<int> skipped;
        // Put in at each recovery prompt in turn; past the last, the prompt is cancelled.
        std::vector<std::function<void()>> disks;
        // From the first recovery prompt on.
        std::vector<std::string> prompts;
    } rows[] = {
        {"a disk without recovery data first",
         {2},
         {[&] { shelf.insert(3); }, [&] { shelf.insert(4); }},
         {first, "This disk holds no recovery file of this set.\r\n" + first}},
        {"a spoilt recovery disk first",
         {2},
         {[&] {
              shelf.insert(4);
              for (const char* name : {"breldo.par2", "breldo.vol0+1.par2"}) {
                  writeFile(floppy.file(name), std::string(2000, 'x'));
              }
          },
          [&] { shelf.insert(4); }},
         {first, unusable + "it holds no sound recovery set.\r\n" + first}},
        {"recovery data of pieces of other lengths first",
         {2},
         {[&] { insertRecoveryOf(otherLengths); }, [&] { shelf.insert(4); }},
         {first, unusable + "its pieces are not as long as this set's.\r\n" + first}},
        {"two skipped, the same disk twice and another set's disk between",
         {2, 3},
         {[&] { shelf.insert(4); }, [&] { shelf.insert(4); }, [&] { insertRecoveryOf(otherSet); },
          [&] { shelf.insert(5); }},
         {first, oneOfTwo + "\r\n" + next,
          "The recovery files on this disk were read already.\r\n" + next,
          unusable + "it is of another set.\r\n" + next}},
        {"too little recovery data",
         {2, 3},
         {[&] { shelf.insert(4); }},
         {first, oneOfTwo + "\r\n" + next, error_text::kDiskJoinCancelled}},
        {"cancelled at the recovery prompt", {2}, {}, {first, error_text::kDiskJoinCancelled}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(into.path());
        fs::create_directory(into.path());
        joinFromDisks([&](int number, int times) -> std::optional<Answer> {
            if (number == 0) {
                if (times > static_cast<int>(row.disks.size())) {
                    return Answer::Cancel;
                }
                row.disks[static_cast<std::size_t>(times - 1)]();
                return std::nullopt;
            }
            if (!row.skipped.contains(number)) {
                return rightDisk(number);
            }
            damaged(number);
            return times == 1 ? std::nullopt : std::optional(Answer::Skip);
        });
        const auto prompts = surface.prompts();
        ASSERT_GE(prompts.size(), 3U);
        EXPECT_EQ(prompts[1], floppy.file("breldo.2") + " differs from its checksum in " +
                                  floppy.file("breldo.sha256") + ": the disk may be bad.\r\n" +
                                  promptFor(2) + kSkipLine);
        const auto asked = std::find(prompts.begin(), prompts.end(), first);
        EXPECT_EQ(std::vector<std::string>(asked, prompts.end()), row.prompts);
        const auto log = surface.logLines();
        for (const int number : row.skipped) {
            const std::string piece = floppy.file("breldo." + std::to_string(number));
            EXPECT_NE(std::find(log.begin(), log.end(), piece + ": skipped, to be rebuilt"),
                      log.end());
        }
        if (row.prompts.back() == error_text::kDiskJoinCancelled) {
            EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
            EXPECT_TRUE(listDir(into.path()).empty());
            continue;
        }
        EXPECT_EQ(surface.caption(Control::Label9), "Done!");
        // The last disk's list keeps the long name; without it, the short name is restored.
        const auto restored = listDir(into.path());
        ASSERT_EQ(restored.size(), 1U);
        EXPECT_EQ(restored[0], row.skipped.contains(3) ? "Holiday .mp4" : kLongName);
        EXPECT_TRUE(readFile(into.file(restored[0])) == source);
        const std::string rebuilt = floppy.file("breldo.2") + ": " + error_text::kPieceRebuiltNote;
        for (const std::string& line : {floppy.file("breldo.par2"), rebuilt}) {
            EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
        }
    }
}

// A set whose pieces are all beside piece 1 on the floppy joins there as it always did.
TEST_F(DiskJoinTest, ASetWholeOnOneDiskJoinsBesideItsPieces) {
    splitOntoDisks();
    for (int number = 1; number <= 3; ++number) {
        fs::copy(shelf.disk(number), floppy.path(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    surface.onMessageBox = nullptr;
    surface.clearHistory();
    JoinFiles(floppy.file("breldo.1"), context);
    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_TRUE(surface.folderTitles.empty());
    EXPECT_TRUE(readFile(floppy.file(kLongName)) == source);
}

}  // namespace
}  // namespace roruvez

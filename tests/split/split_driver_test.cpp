#include "split/split_driver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "split/header_builder.h"
#include "support/disk_shelf.h"
#include "support/job_fixture.h"

namespace roruvez {
namespace {

using testing::JobFixture;
using testing::listDir;
using testing::patternBytes;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

class SplitTest : public JobFixture {
  protected:
    // Writes a source of the given size under name and splits it with the piece size text.
    std::string split(std::size_t size, const std::string& sizeText,
                      const std::string& name = "REPORT.DOC") {
        source = patternBytes(size);
        std::string path = dir.file(name);
        writeFile(path, source);
        surface.setText(Control::Text2, sizeText);
        surface.clearHistory();
        state.FilePath = path;
        SplitFile(state.FilePath, context, request);
        return path;
    }

    void emptyDir() {
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directory(dir.path());
    }

    std::string piece(int number) const { return dir.file("breldo." + std::to_string(number)); }

    // Piece 1 from byte 160, then every further piece, in number order.
    std::string joined(int count) const {
        std::string bytes = readFile(piece(1)).substr(160);
        for (int number = 2; number <= count; ++number) {
            bytes += readFile(piece(number));
        }
        return bytes;
    }

    void expectNotCompleted() const {
        EXPECT_EQ(state.Outcome, JobOutcome::NotCompleted);
        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        EXPECT_EQ(surface.backColour(Control::Label3), kLightRed);
    }

    std::string source;
};

TEST_F(SplitTest, ThreeAndAHalfMegabytesMakeThreePiecesWithTheHeaderByteForByte) {
    const std::string path = split(3500000, "1400000");

    EXPECT_EQ(listDir(dir.path()),
              (std::vector<std::string>{"REPORT.DOC", "breldo.1", "breldo.2", "breldo.3"}));
    const std::string piece1 = readFile(piece(1));
    EXPECT_EQ(piece1.size(), 1400000U);
    EXPECT_EQ(readFile(piece(2)).size(), 1400000U);
    EXPECT_EQ(readFile(piece(3)).size(), 700160U);
    EXPECT_TRUE(joined(3) == source);

    const std::string expectedHeader = std::string("Velmora RORUVEZ") + std::string(35, ' ') +
                                       "REPORT.DOC" + std::string(19, ' ') + '\x1A' +
                                       "Velmora Software Works Ltd." + std::string(13, ' ') +
                                       "REPORT.DOC  " + " 3500000  " + " 06Dec2026 14:05  ";
    EXPECT_EQ(piece1.substr(0, 160), expectedHeader);
    EXPECT_EQ(piece1[79], '\x1A');

    EXPECT_EQ(
        surface.captionsOf(Control::Label9),
        (std::vector<std::string>{"Breldo:" + path, "SFN:" + path, "KCD", "BH: REPORT.DOC", "WFF",
                                  piece(1), "Creating files..", piece(2), piece(3), "Done!"}));
    EXPECT_EQ(surface.logLines(),
              (std::vector<std::string>{piece(1), piece(2), piece(3), "Done!"}));
    EXPECT_EQ(surface.caption(Control::Label7), "CSum:  3500000  ");
    EXPECT_EQ(surface.caption(Control::Label8), " 06Dec2026 14:05  ");
    EXPECT_EQ(surface.coloursOf(Control::Label3).front(), kLightRed);
    EXPECT_EQ(surface.backColour(Control::Label3), kLightGreen);
    EXPECT_TRUE(surface.boxes().empty());
    for (Control c : {Control::Command1, Control::Check1, Control::Drive1}) {
        EXPECT_FALSE(surface.enabled(c)) << controlName(c);
    }
    EXPECT_EQ(state.BytesDone, state.SourceLen);
    EXPECT_EQ(state.PieceSize, 1400000);
    EXPECT_FALSE(state.File1);
    EXPECT_FALSE(state.File2);
}

TEST_F(SplitTest, LastPieceSizesAtTheBoundaries) {
    const struct {
        std::size_t sourceSize;
        const char* pieceSize;
        std::vector<std::size_t> pieces;
    } cases[] = {
        {1400001, "1400000", {1400000, 161}},
        {2799840, "1400000", {1400000, 1400000}},
        {2799841, "1400000", {1400000, 1400000, 1}},
        {1000, "161", {}},  // filled in below: piece 1 carries one source byte
    };
    for (const auto& c : cases) {
        emptyDir();
        split(c.sourceSize, c.pieceSize, "data.bin");
        std::vector<std::size_t> expected = c.pieces;
        if (expected.empty()) {
            expected.assign(7, 161);
            expected.push_back(1000 + 160 - 7 * 161);
        }
        std::vector<std::size_t> sizes;
        for (int n = 1; std::filesystem::exists(piece(n)); ++n) {
            sizes.push_back(static_cast<std::size_t>(std::filesystem::file_size(piece(n))));
        }
        EXPECT_EQ(sizes, expected) << c.sourceSize << " at " << c.pieceSize;
        EXPECT_TRUE(joined(static_cast<int>(sizes.size())) == source) << c.sourceSize;
        EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    }
}

TEST_F(SplitTest, CancelledShortNameStopsBeforeAnythingIsWritten) {
    surface.answer({Answer::Cancel});
    const std::string path = split(5000, "1400000", "report_2000.doc");
    EXPECT_EQ(surface.prompts(),
              (std::vector<std::string>{"The file will be saved and restored as: report_2.doc\r\n"
                                        "Turn on checksums to keep its long name: breldo.sha256 "
                                        "then keeps it for the join.",
                                        "File Split Failed!" + path}));
    expectNotCompleted();
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"report_2000.doc"});
    EXPECT_TRUE(surface.captionsOf(Control::Label7).empty());
}

// Sources at the edges of the size field and of 32-bit counts, sparse, are measured into the
// header; a larger one is the bad-input table's.
TEST_F(SplitTest, SourcesAtTheEdgesOfTheSizeFieldAreRecordedInIt) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {999999999, " 999999999"},  {1000000000, "1000000000"}, {2147483648, "2147483648"},
        {4294967297, "4294967297"}, {9999999999, "9999999999"},
    };
    for (const auto& [size, field] : cases) {
        SCOPED_TRACE(std::to_string(size) + " bytes");
        emptyDir();
        const std::string path = dir.file("BIG.ISO");
        testing::makeSparseFile(path, static_cast<std::uint64_t>(size), 1 << 20);
        state.SourcePath = path;
        ASSERT_EQ(BuildHeader("BIG.ISO", context), 0);
        state.File1.reset();
        EXPECT_EQ(state.HdrFileSize, field);
    }
}

TEST_F(SplitTest, PieceSizesThatMakeNoSense) {
    const struct {
        std::size_t sourceSize;
        const char* sizeText;
        const char* text2After;
    } cases[] = {
        {50000, "50000", "50000"}, {50000, "60000", "60000"}, {50000, "-5", "-5"},
        {0, "1400000", "1400000"}, {50000, "100", "1400000"}, {50000, "99999999999", "99999999999"},
    };
    for (const auto& c : cases) {
        emptyDir();
        split(c.sourceSize, c.sizeText, "data.bin");
        EXPECT_EQ(surface.prompts().size(), 1U) << c.sizeText;
        expectNotCompleted();
        EXPECT_EQ(surface.text(Control::Text2), c.text2After) << c.sizeText;
        EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"data.bin"}) << c.sizeText;
        EXPECT_FALSE(state.File2) << c.sizeText;
    }
}

TEST_F(SplitTest, ZeroOrLettersBecomeTheDefaultPieceSize) {
    for (const char* text : {"0", "abc"}) {
        emptyDir();
        split(2000000, text, "data.bin");
        EXPECT_EQ(surface.text(Control::Text2), "1400000") << text;
        EXPECT_EQ(std::filesystem::file_size(piece(1)), 1400000U) << text;
        EXPECT_TRUE(joined(2) == source) << text;
        EXPECT_EQ(surface.caption(Control::Label9), "Done!") << text;
    }
}

TEST_F(SplitTest, AnExistingFirstPieceIsNeverOverwritten) {
    writeFile(piece(1), "precious");
    split(3000, "1000");
    EXPECT_EQ(surface.prompts().size(), 1U);
    expectNotCompleted();
    EXPECT_EQ(readFile(piece(1)), "precious");
    EXPECT_FALSE(std::filesystem::exists(piece(2)));
    EXPECT_EQ(surface.logLines(), std::vector<std::string>{piece(1)});
}

TEST_F(SplitTest, AnExistingLaterPieceStopsTheSplitAfterTheEarlierOnes) {
    writeFile(piece(3), "older set");
    split(3000, "1000");
    EXPECT_EQ(surface.prompts(), (std::vector<std::string>{
                                     "Sorry:" + piece(3) + " already exists or Disk Error: Exited!",
                                     "Error writing files on: " + dir.prefix()}));
    expectNotCompleted();
    EXPECT_EQ(readFile(piece(3)), "older set");
    EXPECT_TRUE(readFile(piece(1)).substr(160) + readFile(piece(2)) == source.substr(0, 1840));
    EXPECT_TRUE(surface.enabled(Control::Command1) == false);
}

TEST_F(SplitTest, ADirectoryOrDanglingLinkInThePieceNameRefusesIt) {
    std::filesystem::create_directory(piece(2));
    split(3000, "1000");
    EXPECT_EQ(surface.prompts().back(), "Error writing files on: " + dir.prefix());
    expectNotCompleted();
    EXPECT_TRUE(std::filesystem::is_directory(piece(2)));
    EXPECT_EQ(std::filesystem::file_size(piece(1)), 1000U);

    emptyDir();
    std::filesystem::create_symlink(dir.file("nowhere"), piece(1));
    split(3000, "1000");
    EXPECT_EQ(surface.prompts().front(),
              "Sorry:" + piece(1) + " already exists or Disk Error: Exited!");
    EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere")));
}

TEST_F(SplitTest, ASourceThatShrinksIsAFailureNotZeros) {
    const std::string path = dir.file("data.bin");
    int pumps = 0;
    surface.onPump = [&] {
        // Before piece 2: the source loses its tail.
        if (++pumps == 2) {
            std::filesystem::resize_file(path, 1500);
        }
    };
    split(5000, "1000", "data.bin");
    EXPECT_EQ(surface.prompts(),
              (std::vector<std::string>{path + " changed while it was split",
                                        "Error writing files on: " + dir.prefix()}));
    expectNotCompleted();
    EXPECT_TRUE(readFile(piece(1)).substr(160) == source.substr(0, 840));
}

TEST_F(SplitTest, TenThousandPiecesAtMost) {
    // 10000 pieces of 161 bytes carry 10000 * 161 - 160 source bytes.
    split(10000 * 161 - 160, "161", "data.bin");
    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_TRUE(std::filesystem::exists(piece(10000)));
    EXPECT_EQ(std::filesystem::file_size(piece(10000)), 161U);
    EXPECT_TRUE(joined(10000) == source);

    emptyDir();
    split(10000 * 161 - 159, "161", "data.bin");
    EXPECT_EQ(surface.prompts(),
              (std::vector<std::string>{
                  "Sorry the max number of files is: 10000 Process halted: Breldo not completed",
                  "Error writing files on: " + dir.prefix()}));
    expectNotCompleted();
    EXPECT_TRUE(std::filesystem::exists(piece(10000)));
    EXPECT_FALSE(std::filesystem::exists(piece(10001)));
    EXPECT_FALSE(state.File1);
}

TEST_F(SplitTest, NamesOutsideTheCodePageBecomeQuestionMarksInTheHeader) {
    split(3000, "1000", "\xE2\x82\xAC\xE6\x97\xA5.txt");  // euro sign, then a CJK character
    const std::string header = readFile(piece(1)).substr(0, 160);
    EXPECT_EQ(header.substr(120, 12), std::string("\x80?.txt") + std::string(6, ' '));
    EXPECT_EQ(header.substr(50, 6), "\x80?.txt");
}

TEST_F(SplitTest, AHundredMegabytesSplitExactly) {
    split(std::size_t{100} * 1000 * 1000, "1400000", "big.bin");
    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    const int count = (100 * 1000 * 1000 + 160 + 1400000 - 1) / 1400000;
    EXPECT_TRUE(std::filesystem::exists(piece(count)));
    EXPECT_FALSE(std::filesystem::exists(piece(count + 1)));
    EXPECT_TRUE(joined(count) == source);
}

class FloppySplitTest : public SplitTest {
  protected:
    FloppySplitTest() {
        drives.bind('a', floppy.path().string());
        surface.check1 = 1;
        surface.drive = "a: [" + floppy.path().string() + "]";
    }
    std::string floppyPiece(int number) const {
        return floppy.file("breldo." + std::to_string(number));
    }
    TempDir floppy;
};

TEST_F(FloppySplitTest, PromptsForADiskBeforeEveryPiece) {
    freeSpace.setFreeBytes(1457664);
    split(2500, "1000");
    EXPECT_EQ(surface.prompts(), (std::vector<std::string>{
                                     "Please insert a Floppy Disk then press OK",
                                     "Please Insert a Floppy Disk then press OK",
                                     "Please Insert a Floppy Disk then press OK",
                                 }));
    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_EQ(state.TargetDir, "a:");
    EXPECT_EQ(surface.logLines(),
              (std::vector<std::string>{"a:breldo.1", "a:breldo.2", "a:breldo.3", "Done!"}));
    EXPECT_TRUE(readFile(floppyPiece(1)).substr(160) + readFile(floppyPiece(2)) +
                    readFile(floppyPiece(3)) ==
                source);
    EXPECT_EQ(freeSpace.roots, (std::vector<std::string>{"a:/", "a:/", "a:/"}));
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"REPORT.DOC"});
}

// Each disk is taken out at the next prompt. Every one must hold its piece and a list of the
// pieces so far that sha256sum checks on that disk alone; the last list also names the file.
TEST_F(FloppySplitTest, WithChecksumsEveryDiskCarriesTheListOfThePiecesSoFar) {
    freeSpace.setFreeBytes(1457664);
    request.checksums = true;
    testing::DiskShelf shelf(floppy.path());
    surface.onMessageBox = shelf.takingOutAtEachPrompt();
    split(2500, "1000");
    shelf.takeOut();

    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    ASSERT_EQ(shelf.count(), 3);
    for (int disk = 1; disk <= 3; ++disk) {
        SCOPED_TRACE("disk " + std::to_string(disk));
        const auto on = shelf.disk(disk);
        EXPECT_EQ(listDir(on),
                  (std::vector<std::string>{"breldo." + std::to_string(disk), "breldo.sha256"}));
        EXPECT_TRUE(testing::sha256sumPasses(on.string(), true));
        const std::string list = readFile((on / "breldo.sha256").string());
        EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), disk == 3 ? 4 : disk);
    }
    // The disks copied into one directory in order: the last list checks the set and the file.
    const auto all = shelf.allInOne();
    writeFile((all / "REPORT.DOC").string(), source);
    EXPECT_TRUE(testing::sha256sumPasses(all.string()));
}

// The recovery volumes come on disks of their own after the last piece, breldo.par2 with the
// first; the disks copied into one directory make a set that par2 and the list both check.
TEST_F(FloppySplitTest, RecoveryDataGoesOntoDisksOfItsOwnAfterTheLastPiece) {
    freeSpace.setFreeBytes(1457664);
    request.checksums = true;
    request.recovery = 2;
    testing::DiskShelf shelf(floppy.path());
    surface.onMessageBox = shelf.takingOutAtEachPrompt();
    split(2500, "1000");
    shelf.takeOut();

    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    ASSERT_EQ(shelf.count(), 5);
    EXPECT_EQ(surface.prompts().size(), 5U);
    EXPECT_EQ(listDir(shelf.disk(4)),
              (std::vector<std::string>{"breldo.par2", "breldo.vol0+1.par2"}));
    EXPECT_EQ(listDir(shelf.disk(5)), std::vector<std::string>{"breldo.vol1+1.par2"});
    const auto all = shelf.allInOne();
    writeFile((all / "REPORT.DOC").string(), source);
    EXPECT_TRUE(testing::sha256sumPasses(all.string()));
    std::filesystem::remove(all / "breldo.1");
    std::filesystem::remove(all / "breldo.3");
    EXPECT_TRUE(testing::par2Says(all.string(), "repair"));
    EXPECT_TRUE(readFile((all / "breldo.1").string()).substr(160) +
                    readFile((all / "breldo.2").string()) + readFile((all / "breldo.3").string()) ==
                source);
}

// Held in memory until its disks come, a floppy set's recovery data is refused before anything
// is written when it would take more than the memory allowed.
TEST_F(FloppySplitTest, RecoveryDataTooLargeToHoldIsRefusedBeforeThePieces) {
    freeSpace.setFreeBytes(2147483647);
    request.recovery = 17;
    split(40000000, "2000000");
    expectNotCompleted();
    EXPECT_NE(
        surface.prompts().back().find("64 MiB holds less than the recovery data asked for: 17"),
        std::string::npos)
        << surface.prompts().back();
    EXPECT_TRUE(listDir(floppy.path()).empty());
}

TEST_F(FloppySplitTest, TooLittleRoomStopsEvenBeforeAShortLastPiece) {
    // Room for piece 1 but not for a whole second piece, although the last piece is short.
    freeSpace.setFreeBytes(999);
    surface.onMessageBox = [&](const testing::ShownBox& box) -> std::optional<Answer> {
        if (box.prompt == "Please insert a Floppy Disk then press OK") {
            freeSpace.setFreeBytes(1000);
        } else if (box.prompt == "Please Insert a Floppy Disk then press OK") {
            freeSpace.setFreeBytes(999);
        }
        return std::nullopt;
    };
    split(1500, "1000");
    EXPECT_EQ(surface.prompts(),
              (std::vector<std::string>{"Please insert a Floppy Disk then press OK",
                                        "Please Insert a Floppy Disk then press OK",
                                        "No space on disk: a:", "Error writing files on: a:"}));
    expectNotCompleted();
    EXPECT_TRUE(std::filesystem::exists(floppyPiece(1)));
    EXPECT_FALSE(std::filesystem::exists(floppyPiece(2)));
}

TEST_F(FloppySplitTest, TheFirstDiskIsTestedAgainstThisSplitsPieceSize) {
    freeSpace.setFreeBytes(999);
    split(3000, "1000");
    EXPECT_EQ(surface.prompts(),
              (std::vector<std::string>{"Please insert a Floppy Disk then press OK",
                                        "No space on disk: a:"}));
    expectNotCompleted();
    EXPECT_TRUE(listDir(floppy.path()).empty());

    // A tiny size is replaced by the default before the test, so the disk needs 1400000 bytes.
    freeSpace.setFreeBytes(1399999);
    split(3000000, "100");
    EXPECT_EQ(surface.prompts().back(), "No space on disk: a:");
}

TEST_F(FloppySplitTest, UpperCaseDriveIsAFloppyButOtherDrivesAreNot) {
    freeSpace.setFreeBytes(1457664);
    surface.drive = "A: [x]";
    split(1500, "1000");
    EXPECT_EQ(surface.prompts().front(), "Please insert a Floppy Disk then press OK");
    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_TRUE(std::filesystem::exists(floppyPiece(2)));

    TempDir other;
    drives.bind('d', other.path().string());
    surface.drive = "d: [" + other.path().string() + "]";
    split(1500, "1000");
    EXPECT_TRUE(surface.prompts().empty());
    EXPECT_TRUE(freeSpace.roots.size() == 2U);
    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_TRUE(readFile(other.file("breldo.1")).substr(160) + readFile(other.file("breldo.2")) ==
                source);
}

TEST_F(FloppySplitTest, AnEmptyDriveHasNoRoom) {
    drives.bind('a', "");
    split(3000, "1000");
    EXPECT_EQ(surface.prompts().back(), "No space on disk: a:");
    expectNotCompleted();
}

}  // namespace
}  // namespace roruvez

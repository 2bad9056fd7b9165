// The bad inputs the program can meet, each with the exact outcome the user sees.
// docs/reliability.md lists the same table.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "format/checksum_file.h"
#include "format/par2_set.h"
#include "join/join_driver.h"
#include "split/split_driver.h"
#include "support/job_fixture.h"
#include "support/piece_header.h"
#include "tree_snapshot.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::patternBytes;
using testing::readFile;
using testing::TreeSnapshot;
using testing::writeFile;

enum class Job { Split, Join };

class BadInputTest;

struct BadInput {
    const char* kind;
    const char* input;
    Job job;
    // Prepares the directory and the window; returns the chosen file's name in it.
    std::function<std::string(BadInputTest&)> setUp;
    // "{d}" stands for the directory with its trailing separator.
    std::vector<std::string> prompts;
    std::string status;
    // Names added, and "changed NAME" for a file the case itself changes mid-job.
    std::vector<std::string> added;
};

std::string header(const std::string& name, const std::string& size) {
    return testing::headerBytes({.name = name, .size = size});
}

class BadInputTest : public testing::JobFixture {
  public:
    using JobFixture::dir;
    using JobFixture::drives;
    using JobFixture::freeSpace;
    using JobFixture::request;
    using JobFixture::state;
    using JobFixture::surface;

    std::string source(const std::string& pieceSize, const std::string& name = "DATA.BIN") {
        writeFile(dir.file(name), patternBytes(50000));
        surface.setText(Control::Text2, pieceSize);
        return name;
    }
    std::string pieces(const std::string& piece1, const std::string& piece2 = "") {
        writeFile(dir.file("breldo.1"), piece1);
        if (!piece2.empty()) {
            writeFile(dir.file("breldo.2"), piece2);
        }
        return "breldo.1";
    }
    void onDrive(const std::string& text) {
        surface.check1 = 1;
        surface.drive = text;
    }
};

const std::string kData(300, 'x');

// A one-piece set of X.BIN with the checksum list text beside it.
std::string setWithList(BadInputTest& t, const std::string& list) {
    writeFile(t.dir.file(kChecksumFileName), list);
    return t.pieces(header("X.BIN", " 300") + kData);
}

// The one-piece set of X.BIN with a list that keeps these long names for it, each a line with
// the file's digest, each written escaped as sha256sum writes a name with a backslash when asked.
std::string setWithLongName(BadInputTest& t, const std::vector<std::string>& longNames,
                            bool escaped = false) {
    const std::string piece = header("X.BIN", " 300") + kData;
    const std::string file = testing::sha256Of(kData);
    std::string list = testing::sha256Of(piece) + "  breldo.1\n" + file + "  X.BIN\n";
    for (const std::string& name : longNames) {
        list += escaped ? "\\" : "";
        list += file + "  ";
        list += name + "\n";
    }
    return setWithList(t, list);
}

// A set of X.BIN in two pieces.
const std::string kTwoPieces[] = {header("X.BIN", " 600") + kData, kData};

const std::string kNotAList =
    "Error reading checksums: {d}breldo.sha256: Not a checksum list: lines of 64 hex digits, two "
    "blanks and a name, at most 4 MiB";

// The two-piece set with recovery files for one piece beside it, the files of `recovery` made
// over the pieces `over` and spoilt by spoil.
std::string setWithRecovery(
    BadInputTest& t, const std::vector<std::pair<std::string, std::string>>& over,
    const std::function<void(std::map<std::string, std::string>&)>& spoil = {}) {
    auto files = par2::recoveryFiles("breldo", over, 460, 1, "test");
    if (spoil) {
        spoil(files);
    }
    for (const auto& [name, bytes] : files) {
        writeFile(t.dir.file(name), bytes);
    }
    return t.pieces(kTwoPieces[0], kTwoPieces[1]);
}

const std::vector<std::pair<std::string, std::string>> kTwoPieceInputs = {
    {"breldo.1", kTwoPieces[0]}, {"breldo.2", kTwoPieces[1]}};

const BadInput kBadInputs[] = {
    {"piece size",
     "-5",
     Job::Split,
     [](BadInputTest& t) { return t.source("-5"); },
     {"Noting to do!\r\nThe source file filesize is: 50000 Exited!"},
     "Not completed!",
     {}},
    {"piece size",
     "50000 (the source's size)",
     Job::Split,
     [](BadInputTest& t) { return t.source("50000"); },
     {"Noting to do!\r\nThe source file filesize is: 50000 Exited!"},
     "Not completed!",
     {}},
    {"piece size",
     "60000 (more than the source's size)",
     Job::Split,
     [](BadInputTest& t) { return t.source("60000"); },
     {"Noting to do!\r\nThe source file filesize is: 50000 Exited!"},
     "Not completed!",
     {}},
    {"piece size",
     "1400000 for an empty source",
     Job::Split,
     [](BadInputTest& t) {
         writeFile(t.dir.file("EMPTY.BIN"), "");
         t.surface.setText(Control::Text2, "1400000");
         return std::string("EMPTY.BIN");
     },
     {"Noting to do!\r\nThe source file filesize is: 0 Exited!"},
     "Not completed!",
     {}},
    {"piece size",
     "100",
     Job::Split,
     [](BadInputTest& t) { return t.source("100"); },
     {"Sorry no action on files less than 160 bytes!"},
     "Not completed!",
     {}},
    {"piece size",
     "0, empty, or letters",
     Job::Split,
     [](BadInputTest& t) { return t.source("abc"); },
     {"Sorry no action on files less than 160 bytes!"},
     "Not completed!",
     {}},
    {"piece size",
     "1,400,000 (reads as 1)",
     Job::Split,
     [](BadInputTest& t) { return t.source("1,400,000"); },
     {"Sorry no action on files less than 160 bytes!"},
     "Not completed!",
     {}},
    {"piece size",
     "99999999999",
     Job::Split,
     [](BadInputTest& t) { return t.source("99999999999"); },
     {"Overflow"},
     "Not completed!",
     {}},
    {"piece size",
     "&HFFFFFFFFFF",
     Job::Split,
     [](BadInputTest& t) { return t.source("&HFFFFFFFFFF"); },
     {"Overflow"},
     "Not completed!",
     {}},
    {"piece size",
     "1e400",
     Job::Split,
     [](BadInputTest& t) { return t.source("1e400"); },
     {"Overflow"},
     "Not completed!",
     {}},
    {"piece size",
     "2G",
     Job::Split,
     [](BadInputTest& t) { return t.source("2G"); },
     {"Overflow"},
     "Not completed!",
     {}},
    {"path",
     "a source that does not exist",
     Job::Split,
     [](BadInputTest&) { return std::string("MISSING.BIN"); },
     {"No such file or directory", "Error reading input file: MISSING.BIN"},
     "Not completed!",
     {}},
    {"path",
     "a 12-character name, shortening refused",
     Job::Split,
     [](BadInputTest& t) {
         t.surface.answer({Answer::Cancel});
         return t.source("20000", "verylongname");
     },
     {"The file will be saved and restored as: verylong.ame\r\nTurn on checksums to keep its "
      "long name: breldo.sha256 then keeps it for the join.",
      "File Split Failed!{d}verylongname"},
     "Not completed!",
     {}},
    {"path",
     "breldo.1 already there",
     Job::Split,
     [](BadInputTest& t) {
         writeFile(t.dir.file("breldo.1"), "older piece");
         return t.source("20000");
     },
     {"Sorry:{d}breldo.1 already exists or Disk Error: Exited!"},
     "Not completed!",
     {}},
    {"path",
     "a source of 10,000,000,000 bytes",
     Job::Split,
     [](BadInputTest& t) {
         testing::makeSparseFile(t.dir.file("HUGE.BIN"), 10000000000ULL);
         return std::string("HUGE.BIN");
     },
     {"Too large: the file holds 10000000000 bytes, and a piece set records at most 9999999999 "
      "bytes"},
     "Not completed!",
     {}},
    {"header",
     "size field \"abc\"",
     Job::Join,
     [](BadInputTest& t) { return t.pieces(header("X.BIN", "abc") + kData); },
     {"Type mismatch: the size in the header is not a number", "Error getting CheckSum on: {d}"},
     "Not completed!",
     {}},
    {"header",
     "name \"../x\"",
     Job::Join,
     [](BadInputTest& t) { return t.pieces(header("../x", " 300") + kData); },
     {"Bad file name in the header (the name holds a directory separator): \"../x        \"",
      "Error getting file info: {d}breldo.1"},
     "Not completed!",
     {}},
    {"header",
     "name of blanks, or piece 1 shorter than 132 bytes",
     Job::Join,
     [](BadInputTest& t) { return t.pieces(header("X.BIN", " 300").substr(0, 100)); },
     {"Bad file name in the header (the name is blank): \"            \"",
      "Error getting file info: {d}breldo.1"},
     "Not completed!",
     {}},
    {"header",
     "an empty piece 1, left by a job killed as it took the name",
     Job::Join,
     [](BadInputTest& t) { return t.pieces(""); },
     {"{d}breldo.1: The piece is empty: a job that was interrupted leaves this under a piece's "
      "name",
      "Error getting file info: {d}breldo.1"},
     "Not completed!",
     {}},
    {"header",
     "name with a tab",
     Job::Join,
     [](BadInputTest& t) { return t.pieces(header("A\tB", " 300") + kData); },
     {"Bad file name in the header (the name holds a control character): \"A?B         \"",
      "Error getting file info: {d}breldo.1"},
     "Not completed!",
     {}},
    {"header",
     "piece 1 of the header only",
     Job::Join,
     [](BadInputTest& t) { return t.pieces(header("X.BIN", " 0")); },
     {"Error joining files into: {d}X.BIN\r\nReading {d}breldo.1: The piece holds no "
      "data\r\nNo file was written under this name."},
     "Not completed!",
     {}},
    {"header",
     "names a file that exists",
     Job::Join,
     [](BadInputTest& t) {
         writeFile(t.dir.file("X.BIN"), "precious");
         return t.pieces(header("X.BIN", " 300") + kData);
     },
     {"Sorry:X.BIN        already exists or Disk Error: exited!"},
     "Not completed!",
     {}},
    {"header",
     "size field that does not match the pieces",
     Job::Join,
     [](BadInputTest& t) { return t.pieces(header("X.BIN", " 999") + kData, kData); },
     {"Error: CheckSum error: Ignoring...",
      "The pieces found hold 600 bytes, but the header records 999 bytes.\r\nbreldo.3 is "
      "missing.\r\n{d}X.BIN holds what the pieces found hold and is not the file that was "
      "split. Keep the pieces."},
     "Not completed!",
     {"X.BIN"}},
    {"header",
     "a first piece of another set beside this set",
     Job::Join,
     [](BadInputTest& t) {
         t.pieces(header("B.BIN", " 300") + kData);
         writeFile(t.dir.file("oldbreldo.1"), header("A.BIN", " 300") + kData);
         return std::string("oldbreldo.1");
     },
     {"{d}breldo.1 does not begin with the header of {d}oldbreldo.1: the pieces belong to "
      "another set."},
     "Not completed!",
     {}},
    {"source",
     "grows while it is split (after piece 2 is copied)",
     Job::Split,
     [](BadInputTest& t) {
         t.surface.onPoint = [&t](JobPoint point, const std::string& path) {
             if (point == JobPoint::PieceCopied && path == t.dir.file("breldo.2")) {
                 std::ofstream(t.dir.file("DATA.BIN"), std::ios::app) << "more";
             }
         };
         return t.source("1000");
     },
     {"{d}DATA.BIN changed while it was split", "Error writing files on: {d}"},
     "Not completed!",
     {"changed DATA.BIN", "breldo.1"}},
    {"piece set",
     "breldo.2 grows after the pieces were counted",
     Job::Join,
     [](BadInputTest& t) {
         t.surface.onPoint = [&t](JobPoint point, const std::string&) {
             if (point == JobPoint::PiecesCounted) {
                 std::ofstream(t.dir.file("breldo.2"), std::ios::app) << "more";
             }
         };
         return t.pieces(header("DATA.BIN", " 300") + std::string(150, 'x'), std::string(150, 'x'));
     },
     {"Error joining files into: {d}DATA.BIN\r\nReading {d}breldo.2: The piece changed while it "
      "was joined\r\nNo file was written under this name."},
     "Not completed!",
     {"changed breldo.2"}},
    {"header",
     "piece 1 that is a FIFO",
     Job::Join,
     [](BadInputTest& t) {
         EXPECT_EQ(::mkfifo(t.dir.file("breldo.1").c_str(), 0600), 0);
         return std::string("breldo.1");
     },
     {"Not an ordinary file", "Error getting file info: {d}breldo.1"},
     "Not completed!",
     {}},
    {"drive",
     "SaveTo: on q:, a drive that does not exist; Cancel",
     Job::Split,
     [](BadInputTest& t) {
         t.onDrive("q: [nowhere]");
         t.surface.answer({Answer::Cancel});
         return t.source("20000");
     },
     {"Verify the Disk.", "Sorry:q:breldo.1 already exists or Disk Error: Exited!"},
     "Not completed!",
     {}},
    {"drive",
     "SaveTo: on a:, no disk in the drive",
     Job::Split,
     [](BadInputTest& t) {
         t.onDrive("a: [no disk]");
         t.freeSpace.setFreeBytes(0);
         return t.source("20000");
     },
     {"Please insert a Floppy Disk then press OK", "No space on disk: a:"},
     "Not completed!",
     {}},
    {"drive",
     "SaveTo: on a:, a disk with less room than a piece",
     Job::Split,
     [](BadInputTest& t) {
         t.drives.bind('a', t.dir.path().string());
         t.onDrive("a: [" + t.dir.path().string() + "]");
         t.freeSpace.setFreeBytes(19999);
         return t.source("20000");
     },
     {"Please insert a Floppy Disk then press OK", "No space on disk: a:"},
     "Not completed!",
     {}},
    {"checksums",
     "a list in another format",
     Job::Join,
     [](BadInputTest& t) {
         return setWithList(t, "SHA256 (breldo.1) = " + testing::sha256Of("") + "\n");
     },
     {kNotAList},
     "Not completed!",
     {}},
    {"checksums",
     "a list that is a FIFO",
     Job::Join,
     [](BadInputTest& t) {
         EXPECT_EQ(::mkfifo(t.dir.file(kChecksumFileName).c_str(), 0600), 0);
         return t.pieces(header("X.BIN", " 300") + kData);
     },
     {"Error reading checksums: {d}breldo.sha256: Not an ordinary file"},
     "Not completed!",
     {}},
    {"checksums",
     "a list that names files outside the set, which are never read",
     Job::Join,
     [](BadInputTest& t) {
         const std::string wrong(64, '0');
         return setWithList(t, testing::sha256Of(header("X.BIN", " 300") + kData) + "  breldo.1\n" +
                                   wrong + "  ../X.BIN\n" + wrong + "  /etc/passwd\n" + wrong +
                                   "  breldo.2\n");
     },
     {},
     "Done!",
     {"X.BIN"}},
    {"long name",
     "one line that may be restored: restored under it",
     Job::Join,
     [](BadInputTest& t) { return setWithLongName(t, {"X long name.bin"}); },
     {},
     "Done!",
     {"X long name.bin"}},
    {"long name",
     "a path, a control character, a piece's name, the list's own: never restored",
     Job::Join,
     [](BadInputTest& t) {
         return setWithLongName(t, {"../X-long.bin", "X\tlong.bin", "breldo.7", "BRELDO.SHA256"});
     },
     {},
     "Done!",
     {"X.BIN"}},
    {"long name",
     "two lines, or one whose digest is not the file's",
     Job::Join,
     [](BadInputTest& t) {
         std::string chosen = setWithLongName(t, {"X long one.bin", "X long two.bin"});
         writeFile(t.dir.file(kChecksumFileName),
                   readFile(t.dir.file(kChecksumFileName)) + std::string(64, '0') + "  Y.bin\n");
         return chosen;
     },
     {},
     "Done!",
     {"X.BIN"}},
    {"long name",
     "escaped as sha256sum escapes a backslash, which a name may not hold",
     Job::Join,
     [](BadInputTest& t) { return setWithLongName(t, {"X\\\\long.bin"}, true); },
     {},
     "Done!",
     {"X.BIN"}},
    {"long name",
     "kept, but taken: the refusal names it",
     Job::Join,
     [](BadInputTest& t) {
         writeFile(t.dir.file("X long name.bin"), "mine");
         return setWithLongName(t, {"X long name.bin"});
     },
     {"Sorry:X long name.bin already exists or Disk Error: exited!"},
     "Not completed!",
     {}},
    {"checksums",
     "a list without a line for piece 2 (a first disk's)",
     Job::Join,
     [](BadInputTest& t) {
         writeFile(t.dir.file(kChecksumFileName),
                   testing::sha256Of(kTwoPieces[0]) + "  breldo.1\n");
         return t.pieces(kTwoPieces[0], kTwoPieces[1]);
     },
     {"Error reading checksums: {d}breldo.sha256: These pieces have no line in it, so they "
      "cannot be checked:\r\n{d}breldo.2\r\nWithout the list the set joins unchecked."},
     "Not completed!",
     {}},
    {"checksums",
     "an empty list (a kill as it was named) beside 12 pieces",
     Job::Join,
     [](BadInputTest& t) {
         writeFile(t.dir.file(kChecksumFileName), "");
         for (int number = 2; number <= 12; ++number) {
             writeFile(t.dir.file("breldo." + std::to_string(number)), kData);
         }
         return t.pieces(header("X.BIN", " 3600") + kData);
     },
     {"Error reading checksums: {d}breldo.sha256: These pieces have no line in it, so they "
      "cannot be checked:\r\n{d}breldo.1\r\n{d}breldo.2\r\n{d}breldo.3\r\n{d}breldo.4\r\n{d}"
      "breldo.5\r\n{d}breldo.6\r\n{d}breldo.7\r\n{d}breldo.8\r\n{d}breldo.9\r\n{d}breldo.10\r\n"
      "and 2 more, which the log lists\r\nWithout the list the set joins unchecked."},
     "Not completed!",
     {}},
    {"checksums",
     "names as sha256sum -c reads them (\\ escaped, ./, a NUL after), piece 2 damaged",
     Job::Join,
     [](BadInputTest& t) {
         writeFile(t.dir.file(kChecksumFileName),
                   "\\" + testing::sha256Of(kTwoPieces[0]) + "  ./breldo.1\n" +
                       testing::sha256Of("other") + "  breldo.2" + std::string(1, '\0') + "\n");
         return t.pieces(kTwoPieces[0], kTwoPieces[1]);
     },
     {"Error joining files into: {d}X.BIN\r\nChecking {d}breldo.sha256: These pieces differ from "
      "their checksums; the disk they came from may be bad:\r\n{d}breldo.2\r\nNo file was "
      "written under this name."},
     "Not completed!",
     {}},
    {"checksums",
     "an upper-case set with its BRELDO.SHA256, piece 2 damaged",
     Job::Join,
     [](BadInputTest& t) {
         writeFile(t.dir.file("BRELDO.SHA256"), testing::sha256Of(kTwoPieces[0]) + "  BRELDO.1\n" +
                                                    testing::sha256Of("other") + "  BRELDO.2\n");
         writeFile(t.dir.file("BRELDO.2"), kTwoPieces[1]);
         writeFile(t.dir.file("BRELDO.1"), kTwoPieces[0]);
         return std::string("BRELDO.1");
     },
     {"Error joining files into: {d}X.BIN\r\nChecking {d}BRELDO.SHA256: These pieces differ from "
      "their checksums; the disk they came from may be bad:\r\n{d}BRELDO.2\r\nNo file was "
      "written under this name."},
     "Not completed!",
     {}},
    {"checksums",
     "a list from another set",
     Job::Join,
     [](BadInputTest& t) { return setWithList(t, testing::sha256Of("other") + "  breldo.1\n"); },
     {"Error joining files into: {d}X.BIN\r\nChecking {d}breldo.sha256: These pieces differ from "
      "their checksums; the disk they came from may be bad:\r\n{d}breldo.1\r\nNo file was "
      "written under this name."},
     "Not completed!",
     {}},
    {"checksums",
     "a list already beside the source",
     Job::Split,
     [](BadInputTest& t) {
         t.request.checksums = true;
         writeFile(t.dir.file(kChecksumFileName), "old");
         return t.source("20000");
     },
     {"Sorry:{d}breldo.sha256 already exists or Disk Error: Exited!"},
     "Not completed!",
     {}},
    {"checksums",
     "an old set's list beside the source, for a split without checksums",
     Job::Split,
     [](BadInputTest& t) {
         writeFile(t.dir.file(kChecksumFileName), "old");
         return t.source("20000");
     },
     {"Sorry:{d}breldo.sha256 already exists or Disk Error: Exited!"},
     "Not completed!",
     {}},
    {"checksums",
     "SaveTo: on a:, a disk with room for a piece but not its list",
     Job::Split,
     [](BadInputTest& t) {
         t.request.checksums = true;
         t.drives.bind('a', t.dir.path().string());
         t.onDrive("a: [" + t.dir.path().string() + "]");
         t.freeSpace.setFreeBytes(20000 + 100);
         return t.source("20000");
     },
     {"Please insert a Floppy Disk then press OK", "No space on disk: a:"},
     "Not completed!",
     {}},
    {"recovery data",
     "a breldo.par2 of another set (other lengths), which is not used",
     Job::Join,
     [](BadInputTest& t) {
         return setWithRecovery(t, {{"breldo.1", kTwoPieces[0]}, {"breldo.2", kData + "y"}});
     },
     {},
     "Done!",
     {"X.BIN"}},
    {"recovery data",
     "a breldo.par2 describing a file outside the set, which is not used",
     Job::Join,
     [](BadInputTest& t) {
         return setWithRecovery(t, {{"breldo.1", kTwoPieces[0]}, {"../X.BIN", kTwoPieces[1]}});
     },
     {},
     "Done!",
     {"X.BIN"}},
    {"recovery data",
     "a breldo.par2 whose packet claims 2^60 bytes, which is not used",
     Job::Join,
     [](BadInputTest& t) {
         return setWithRecovery(t, kTwoPieceInputs, [](auto& files) {
             std::string& main = files["breldo.par2"];
             main[15] = '\x10';
             main = main.substr(0, 64) + main;
         });
     },
     {},
     "Done!",
     {"X.BIN"}},
    {"recovery data",
     "piece 2 missing, rebuilt",
     Job::Join,
     [](BadInputTest& t) {
         std::string chosen = setWithRecovery(t, kTwoPieceInputs);
         fs::remove(t.dir.file("breldo.2"));
         return chosen;
     },
     {"These pieces were missing or damaged and have been rebuilt from the recovery data; the "
      "disks they came from may be bad:\r\n{d}breldo.2"},
     "Done!",
     {"X.BIN"}},
    {"recovery data",
     "piece 2 missing, the recovery slice's packet damaged",
     Job::Join,
     [](BadInputTest& t) {
         std::string chosen = setWithRecovery(
             t, kTwoPieceInputs, [](auto& files) { files["breldo.vol0+1.par2"][100] ^= 1; });
         fs::remove(t.dir.file("breldo.2"));
         return chosen;
     },
     {"Error joining files into: {d}X.BIN\r\nRebuilding from {d}breldo.par2: These pieces are "
      "missing or damaged, and the recovery data cannot rebuild them all:\r\n{d}breldo.2\r\nThe "
      "recovery files hold 0 of the 1 recovery slices needed.\r\nNo file was written under this "
      "name."},
     "Not completed!",
     {}},
};

std::string expand(std::string text, const std::string& prefix) {
    for (std::size_t at; (at = text.find("{d}")) != std::string::npos;) {
        text.replace(at, 3, prefix);
    }
    return text;
}

TEST_F(BadInputTest, EachBadInputHasItsExactOutcome) {
    for (const BadInput& bad : kBadInputs) {
        SCOPED_TRACE(std::string(bad.kind) + ": " + bad.input);
        fs::remove_all(dir.path());
        fs::create_directory(dir.path());
        surface.check1 = 0;
        surface.drive = "c: [/]";
        freeSpace.setFreeBytes(100000000);
        surface.onPoint = {};
        request = {};
        const std::string chosen = dir.file(bad.setUp(*this));
        const TreeSnapshot before = TreeSnapshot::of(dir.path());
        surface.clearHistory();
        state.FilePath = chosen;
        if (bad.job == Job::Split) {
            SplitFile(state.FilePath, context, request);
        } else {
            surface.setEnabled(Control::Command3, true);
            JoinFiles(state.FilePath, context);
        }

        std::vector<std::string> prompts;
        for (const std::string& prompt : bad.prompts) {
            prompts.push_back(expand(prompt, dir.prefix()));
        }
        EXPECT_EQ(surface.prompts(), prompts);
        EXPECT_EQ(surface.caption(Control::Label9), bad.status);
        std::vector<std::string> added;
        for (const std::string& name : bad.added) {
            added.push_back(name.starts_with("changed ") ? name : "added " + name);
        }
        EXPECT_EQ(TreeSnapshot::of(dir.path()).changesSince(before), added);
    }
}

}  // namespace
}  // namespace roruvez

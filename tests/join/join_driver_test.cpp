#include "join/join_driver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "join/piece_set.h"
#include "platform/error.h"
#include "split/split_driver.h"
#include "state/failure_texts.h"
#include "support/no_unnamed_files.h"

namespace roruvez {
namespace {

using testing::HeaderFields;
using testing::JoinFixture;
using testing::patternBytes;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

constexpr const char* kCheckSumWarning = "Error: CheckSum error: Ignoring...";

class JoinTest : public JoinFixture {};

TEST_F(JoinTest, SplitThenJoinGivesTheSourceBackAtPieceBoundaries) {
    struct Case {
        int pieceSize;
        int pieces;
        int lastPieceOffset;  // from a last piece of exactly the piece size
    };
    const Case cases[] = {{161, 3, -1},     {161, 3, 0},     {161, 3, 1 - 161},
                          {4096, 4, -1},    {4096, 4, 0},    {4096, 5, 1 - 4096},
                          {1400000, 2, -1}, {1400000, 2, 0}, {1400000, 3, 1 - 1400000}};
    for (const Case& c : cases) {
        const int length = c.pieces * c.pieceSize + c.lastPieceOffset - 160;
        SCOPED_TRACE("piece size " + std::to_string(c.pieceSize) + ", source " +
                     std::to_string(length));
        freshDir();
        const std::string source =
            patternBytes(static_cast<std::size_t>(length), static_cast<unsigned>(c.pieceSize));
        // A long name: the split asks, and the join restores the short name.
        const std::string longPath = dir.file("Quarterly figures.final");
        writeFile(longPath, source);
        surface.setText(Control::Text2, std::to_string(c.pieceSize));
        SplitFile(longPath, context);
        ASSERT_EQ(surface.caption(Control::Label9), "Done!");
        std::filesystem::remove(longPath);

        join();

        EXPECT_EQ(surface.caption(Control::Label9), "Done!");
        EXPECT_EQ(state.PieceCount, c.pieces);
        const std::string restored = readFile(dir.file("Quarterl.nal"));
        EXPECT_EQ(restored.size(), source.size());
        EXPECT_TRUE(restored == source);
        std::vector<std::string> names{"Quarterl.nal"};
        for (int number = 1; number <= c.pieces; ++number) {
            names.push_back("breldo." + std::to_string(number));
        }
        expectDirHolds(names);
    }
}

// A set split with checksums is checked piece by piece as it is joined: every damaged piece is
// named in one box and nothing is kept. sha256sum agrees with the list on the source and on what
// the join restores.
TEST_F(JoinTest, AChecksumListNamesEveryDamagedPieceAndKeepsNothing) {
    const std::string source = patternBytes(5 * 1000 - 160 - 500);
    struct Case {
        const char* what;
        std::vector<std::pair<int, long>> flips;  // piece, byte
    };
    const Case cases[] = {
        {"no damage", {}},
        {"piece 1's data", {{1, 200}}},
        {"a middle piece", {{3, 0}}},
        {"the last piece", {{5, 499}}},
        {"two pieces", {{2, 999}, {4, 10}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        freshDir();
        writeFile(dir.file("DATA.BIN"), source);
        surface.setText(Control::Text2, "1000");
        SplitFile(dir.file("DATA.BIN"), context, JobRequest{.checksums = true});
        ASSERT_EQ(surface.caption(Control::Label9), "Done!");
        EXPECT_TRUE(testing::sha256sumPasses(dir.path().string()));
        std::filesystem::remove(dir.file("DATA.BIN"));
        for (const auto& [number, at] : c.flips) {
            std::string bytes = readFile(piece(number));
            bytes.at(static_cast<std::size_t>(at)) ^= 1;
            writeFile(piece(number), bytes);
        }

        join();

        const std::vector<std::string> log = surface.logLines();
        if (c.flips.empty()) {
            EXPECT_EQ(surface.caption(Control::Label9), "Done!");
            EXPECT_TRUE(testing::sha256sumPasses(dir.path().string()));
            ASSERT_GE(log.size(), 2U);
            EXPECT_EQ(log[log.size() - 2], "5 pieces match " + dir.file("breldo.sha256"));
            continue;
        }
        expectNotCompleted();
        // One box, whose words are the bad-input table's; the damage stays in the log.
        EXPECT_EQ(surface.prompts().size(), 1U);
        ASSERT_GE(log.size(), c.flips.size());
        for (std::size_t i = 0; i < c.flips.size(); ++i) {
            EXPECT_EQ(log[log.size() - c.flips.size() + i],
                      piece(c.flips[i].first) + ": " + error_text::kPieceDamagedNote);
        }
        expectDirHolds(
            {"breldo.1", "breldo.2", "breldo.3", "breldo.4", "breldo.5", "breldo.sha256"});
    }
}

TEST_F(JoinTest, ThreePiecesReportEveryStep) {
    const std::string source = patternBytes(3500000);
    writeSet({.name = "REPORT.DOC"}, source, 1400000);

    join();

    const std::string out = dir.prefix() + "REPORT.DOC  ";
    EXPECT_EQ(surface.logLines(),
              (std::vector<std::string>{out, piece(1), piece(2), piece(3), "Done!"}));
    EXPECT_EQ(surface.caption(Control::Label5), "H:  3500000  ");
    EXPECT_EQ(surface.caption(Control::Label8), " 06Dec2026 14:05  ");
    EXPECT_EQ(surface.caption(Control::Label7), "TB: 3500000 FN: 3");
    EXPECT_EQ(
        surface.captionsOf(Control::Label9),
        (std::vector<std::string>{"BRELDO -R", "KCD", "REPORT.DOC  ", "Checking Files...", out,
                                  "FA:" + dir.prefix(), piece(1), piece(2), piece(3), "Done!"}));
    EXPECT_EQ(surface.coloursOf(Control::Label3).front(), kLightRed);
    EXPECT_EQ(surface.backColour(Control::Label3), kLightGreen);
    EXPECT_FALSE(surface.enabled(Control::Command3));
    EXPECT_TRUE(surface.prompts().empty());
    EXPECT_TRUE(readFile(dir.file("REPORT.DOC")) == source);
    // Events run before piece 1 is copied and after each later piece.
    EXPECT_GE(surface.pumps(), 3);
}

TEST_F(JoinTest, AnExistingEntryUnderTheNameIsRefusedAndLeftAlone) {
    struct Case {
        const char* what;
        std::string name;
        std::function<void(const std::string&)> make;
    };
    const auto ordinary = [](const std::string& path) { writeFile(path, "precious"); };
    const Case cases[] = {
        {"ordinary file", "FILE.TXT", ordinary},
        {"read-only file", "FILE.TXT",
         [&](const std::string& path) {
             ordinary(path);
             ::chmod(path.c_str(), 0444);
         }},
        {"hidden file", ".PROFILE", ordinary},
        {"directory", "FILE.TXT",
         [](const std::string& path) { std::filesystem::create_directory(path); }},
        {"dangling link", "FILE.TXT",
         [](const std::string& path) { std::filesystem::create_symlink("nowhere", path); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        freshDir();
        writeSet({.name = c.name}, patternBytes(1000), 400);
        const std::string existing = dir.file(c.name);
        c.make(existing);

        join();

        std::string padded = c.name;
        padded.resize(12, ' ');
        // The refusal's words are BadInputTest's.
        EXPECT_EQ(surface.prompts().size(), 1U);
        expectNotCompleted();
        EXPECT_EQ(surface.logLines(), (std::vector<std::string>{dir.prefix() + padded}));
        expectDirHolds({c.name, "breldo.1", "breldo.2", "breldo.3"});
        if (std::filesystem::is_symlink(existing)) {
            EXPECT_EQ(std::filesystem::read_symlink(existing), "nowhere");
        } else if (std::filesystem::is_regular_file(existing)) {
            EXPECT_EQ(readFile(existing), "precious");
        } else {
            EXPECT_TRUE(std::filesystem::is_empty(existing));
        }
    }
}

// The data is restored, as it may be all a user can recover, but the job is never done.
void expectMismatchEnding(const testing::RecordingSurface& surface, const JobState& state) {
    EXPECT_EQ(state.Outcome, JobOutcome::Mismatched);
    EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
    EXPECT_EQ(surface.backColour(Control::Label3), kLightRed);
    EXPECT_TRUE(surface.enabled(Control::Command3));
    for (const std::string& line : surface.logLines()) {
        EXPECT_NE(line, "Done!");
    }
}

TEST_F(JoinTest, PiecesThatDoNotAddUpRestoreTheirDataButEndNotCompletedSayingWhy) {
    const std::string source = patternBytes(1000);
    struct Case {
        const char* what;
        // Given the path of each piece by its number.
        std::function<void(const std::function<std::string(int)>&)> change;
        std::string restored;
        const char* label7;
        std::string report;
    };
    const std::string restoredAt = dir.file("DATA.BIN");
    const std::string tail = "\r\n" + restoredAt +
                             " holds what the pieces found hold and is not the file that was "
                             "split. Keep the pieces.";
    const Case cases[] = {
        // Piece 4 beyond the gap is neither counted nor read.
        {"a missing middle piece", [](const auto& piece) { std::filesystem::remove(piece(3)); },
         source.substr(0, 440), "TB: 440 FN: 2",
         "The pieces found hold 440 bytes, but the header records 1000 bytes.\r\nbreldo.3 is "
         "missing." +
             tail},
        {"the last piece renamed over the one before",
         [](const auto& piece) { std::filesystem::rename(piece(4), piece(3)); },
         source.substr(0, 440) + source.substr(740), "TB: 700 FN: 3",
         "The pieces found hold 700 bytes, but the header records 1000 bytes.\r\nbreldo.4 is "
         "missing." +
             tail},
        {"a stale piece after the set", [](const auto& piece) { writeFile(piece(5), "stale"); },
         source + "stale", "TB: 1005 FN: 5",
         "The pieces found hold 1005 bytes, but the header records 1000 bytes." + tail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        freshDir();
        writeSet({.name = "DATA.BIN"}, source, 300);
        c.change([this](int number) { return piece(number); });

        join();

        EXPECT_EQ(surface.prompts(), (std::vector<std::string>{kCheckSumWarning, c.report}));
        EXPECT_EQ(surface.caption(Control::Label7), c.label7);
        expectMismatchEnding(surface, state);
        EXPECT_EQ(readFile(dir.file("DATA.BIN")), c.restored);
    }
}

TEST_F(JoinTest, ASizeFieldThatIsNotANumberStopsTheJoin) {
    for (const std::string size : {"", "          ", "abc", "12 34", "0x10", "-", " 1e3"}) {
        SCOPED_TRACE("size field \"" + size + "\"");
        freshDir();
        writeSet({.name = "DATA.BIN", .size = size.empty() ? " " : size}, patternBytes(500), 400);

        join();

        EXPECT_EQ(surface.prompts(),
                  (std::vector<std::string>{"Type mismatch: the size in the header is not a number",
                                            "Error getting CheckSum on: " + dir.prefix()}));
        expectNotCompleted();
        expectDirHolds({"breldo.1", "breldo.2"});
    }
}

TEST_F(JoinTest, APieceOneThatCannotBeReadStopsTheJoin) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        std::string description;
    };
    const Case cases[] = {
        {"missing", [](const std::string&) {}, "No such file or directory"},
        {"directory", [](const std::string& p) { std::filesystem::create_directory(p); },
         "Is a directory"},
        {"dangling link",
         [](const std::string& p) { std::filesystem::create_symlink("nowhere", p); },
         "No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        freshDir();
        c.make(piece(1));
        surface.setCaption(Control::Label5, "earlier");

        join();

        EXPECT_EQ(surface.prompts(), (std::vector<std::string>{
                                         c.description, "Error getting file info: " + piece(1)}));
        expectNotCompleted();
        EXPECT_EQ(surface.caption(Control::Label5), "earlier");
    }
}

TEST_F(JoinTest, AHostileNameInTheHeaderIsRefused) {
    const std::string names[] = {"../x", "/tmp/x", "a/b",  "..",
                                 ".",    "",       "a\tb", std::string("a\0b", 3),
                                 "a\\b", "c:x",    "x\x81"};
    for (const std::string& name : names) {
        SCOPED_TRACE("name of " + std::to_string(name.size()) + " bytes: " + name);
        freshDir();
        std::filesystem::create_directory(dir.path() / "sub");
        // Pieces one level down, so that "../x" would land in dir.
        const std::string sub = (dir.path() / "sub").string() + "/";
        testing::writePieceSet(sub, testing::headerBytes({.name = name, .size = " 500"}),
                               patternBytes(500), 400);
        state.PieceHeader.OrigName = "before";

        join(sub + "breldo.1");

        const auto prompts = surface.prompts();
        ASSERT_EQ(prompts.size(), 2U);
        EXPECT_EQ(prompts[0].rfind("Bad file name in the header (", 0), 0U) << prompts[0];
        EXPECT_EQ(prompts[0].find('\0'), std::string::npos);
        EXPECT_EQ(prompts[1], "Error getting file info: " + sub + "breldo.1");
        expectNotCompleted();
        EXPECT_EQ(state.PieceHeader.OrigName, "before");
        EXPECT_EQ(testing::listDir(dir.path()), (std::vector<std::string>{"sub"}));
        EXPECT_EQ(testing::listDir(sub), (std::vector<std::string>{"breldo.1", "breldo.2"}));
    }
}

TEST_F(JoinTest, HandWrittenSetsFromOtherMakersJoin) {
    struct Case {
        const char* what;
        HeaderFields fields;
        std::string restored;
        std::string stampShown;
    };
    const Case cases[] = {
        {"odd banner and maker",
         {.banner = "SomeOtherSplitter v9 (c) 1997",
          .maker = "Nobody in particular",
          .name = "ODD.DAT"},
         "ODD.DAT",
         " 06Dec2026 14:05  "},
        {"lower case name, no end mark",
         {.endMark = " ", .name = "notes.txt"},
         "notes.txt",
         " 06Dec2026 14:05  "},
        {"stamp of another locale",
         {.name = "CAFE.DOC",
          .stamp = " 06d\xE9"
                   "c.2026 14:05"},
         "CAFE.DOC",
         " 06d\xC3\xA9"
         "c.2026 14:05 "},
        {"twelve character name", {.name = "ABCDEFGH.XYZ"}, "ABCDEFGH.XYZ", " 06Dec2026 14:05  "},
        {"name in the code page",
         {.name = "R\xC9SUM\xC9.DOC"},
         "R\xC3\x89SUM\xC3\x89.DOC",
         " 06Dec2026 14:05  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        freshDir();
        const std::string source = patternBytes(2500, 7);
        writeSet(c.fields, source, 1000);

        join();

        EXPECT_TRUE(surface.prompts().empty());
        EXPECT_EQ(surface.caption(Control::Label9), "Done!");
        EXPECT_EQ(surface.caption(Control::Label8), c.stampShown);
        EXPECT_EQ(readFile(dir.file(c.restored)), source);
        expectDirHolds({c.restored, "breldo.1", "breldo.2", "breldo.3"});
    }
}

TEST_F(JoinTest, DriveModeReadsTheHeaderHereButJoinsTheSameSetOnTheDrive) {
    TempDir chosen;
    const std::string source = patternBytes(900, 3);
    writeSet({.name = "HERE.BIN"}, source, 400);
    for (const char* name : {"breldo.1", "breldo.2", "breldo.3"}) {
        std::filesystem::copy_file(dir.file(name), chosen.file(name));
    }
    drives.bind('d', chosen.path().string());
    surface.check1 = 1;
    surface.drive = "d: [" + chosen.path().string() + "]";

    join();

    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_EQ(state.TargetDir, "d:");
    EXPECT_EQ(surface.logLines(), (std::vector<std::string>{"d:HERE.BIN    ", "d:breldo.1",
                                                            "d:breldo.2", "d:breldo.3", "Done!"}));
    EXPECT_TRUE(readFile(chosen.file("HERE.BIN")) == source);
    EXPECT_FALSE(std::filesystem::exists(dir.file("HERE.BIN")));

    // Another set on the drive: its data never goes under this header's name.
    std::filesystem::remove_all(chosen.path());
    std::filesystem::create_directory(chosen.path());
    testing::writePieceSet(chosen.prefix(),
                           testing::headerBytes({.name = "THERE.BIN", .size = " 900"}),
                           patternBytes(900), 600);
    join();
    expectNotCompleted();
    EXPECT_EQ(surface.prompts(),
              std::vector<std::string>{"d:breldo.1 does not begin with the header of " + piece(1) +
                                       ": the pieces belong to another set."});
    EXPECT_EQ(testing::listDir(chosen.path()), (std::vector<std::string>{"breldo.1", "breldo.2"}));
}

TEST_F(JoinTest, NoPieceOneOnTheDriveWarnsThenFailsWithoutLeavingAFile) {
    TempDir chosen;
    writeSet({.name = "HERE.BIN"}, patternBytes(900), 400);
    drives.bind('d', chosen.path().string());
    surface.check1 = 1;
    surface.drive = "d: [" + chosen.path().string() + "]";

    join();

    EXPECT_EQ(surface.caption(Control::Label7), "TB: -160 FN: 0");
    const auto prompts = surface.prompts();
    ASSERT_EQ(prompts.size(), 2U);
    EXPECT_EQ(prompts[0], kCheckSumWarning);
    EXPECT_EQ(prompts[1],
              "Error joining files into: d:HERE.BIN\r\nOpening d:breldo.1: No such file or "
              "directory\r\nNo file was written under this name.");
    expectNotCompleted();
    EXPECT_TRUE(testing::listDir(chosen.path()).empty());
}

// Stands for a file a failed earlier job left in a slot.
class LeftOpenFile : public OpenFile {
  public:
    explicit LeftOpenFile(bool& closed) : closed_(closed) {}
    std::size_t read(std::byte*, std::size_t) override { return 0; }
    void write(const std::byte*, std::size_t) override {}
    FileStatus status() const override { return {}; }
    void close() override { closed_ = true; }
    const std::string& path() const override { return path_; }

  private:
    bool& closed_;
    std::string path_ = "left open";
};

TEST_F(JoinTest, ASecondJoinClosesWhatAFailedOneLeftOpenAndOverwritesTheHeader) {
    writeSet({.name = "FIRST.BIN"}, patternBytes(900), 400);
    join();
    ASSERT_EQ(surface.caption(Control::Label9), "Done!");
    bool inputClosed = false;
    state.File1 = std::make_unique<LeftOpenFile>(inputClosed);
    TempDir left;
    {
        const testing::NoUnnamedFiles hidden;
        state.File2 = files.createOutput(left.file("LEFT.BIN"));
    }
    ASSERT_EQ(testing::listDir(left.path()).size(), 1U) << "the unfinished output's hidden name";

    TempDir other;
    testing::writePieceSet(other.prefix(),
                           testing::headerBytes({.banner = "B",
                                                 .title = "T",
                                                 .maker = "M",
                                                 .name = "SECOND.BIN",
                                                 .size = " 300",
                                                 .stamp = " S"}),
                           patternBytes(300), 400);
    join(other.prefix() + "breldo.1");

    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_TRUE(inputClosed);
    EXPECT_TRUE(testing::listDir(left.path()).empty());
    EXPECT_EQ(state.PieceHeader.Banner, "B" + std::string(49, ' '));
    EXPECT_EQ(state.PieceHeader.Title, "T" + std::string(28, ' '));
    EXPECT_EQ(state.PieceHeader.Maker, "M" + std::string(39, ' '));
    EXPECT_EQ(state.PieceHeader.OrigName, "SECOND.BIN  ");
    EXPECT_EQ(state.PieceHeader.Stamp, " S" + std::string(16, ' '));
    EXPECT_EQ(readFile(other.file("SECOND.BIN")), patternBytes(300));
}

}  // namespace
}  // namespace roruvez

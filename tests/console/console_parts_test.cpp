#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <sstream>

#include "cli_process.h"
#include "console/console_drives.h"
#include "console/console_options.h"
#include "console/console_run.h"
#include "console/console_surface.h"
#include "console/interruption.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

struct SurfaceRig {
    explicit SurfaceRig(const std::string& input, bool yes = false, bool terminal = false)
        : in(input), surface({in, out, err, terminal}, yes, nullptr) {}
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    ConsoleSurface surface;
};

TEST(ConsoleSurfaceTest, YesAnswersOkButNeverTheSameUnchangedQuestionTwice) {
    SurfaceRig rig("ok\n", true);
    ConsoleSurface& surface = rig.surface;
    EXPECT_EQ(surface.messageBox("Verify the Disk.", Buttons::OkCancel, "Warning!"), Answer::Ok);
    // Reading the window's state changes nothing on it.
    surface.checkValue(Control::Check1);
    EXPECT_EQ(surface.messageBox("Verify the Disk.", Buttons::OkCancel, "Warning!"),
              Answer::Cancel);
    EXPECT_EQ(surface.messageBox("Verify the Disk.", Buttons::OkCancel), Answer::Ok);
    surface.setCaption(Control::Label9, "a:breldo.2");
    EXPECT_EQ(surface.messageBox("Verify the Disk.", Buttons::OkCancel), Answer::Ok);
    // The disk prompt does not wait under --yes: the input is left unread.
    surface.diskPrompt("Please insert a Floppy Disk then press OK");
    std::string line;
    EXPECT_TRUE(std::getline(rig.in, line));
    EXPECT_EQ(line, "ok");
}

TEST(ConsoleSurfaceTest, OnlyTheDiskPromptsWaitForALine) {
    SurfaceRig rig("\nsecond\n");
    rig.surface.messageBox("No space on disk: a:", Buttons::Ok);
    rig.surface.diskPrompt("Please Insert a Floppy Disk then press OK");
    std::string rest;
    std::getline(rig.in, rest);
    EXPECT_EQ(rest, "second");
    EXPECT_EQ(rig.err.str(),
              "--- Velmora RORUVEZ ---\nNo space on disk: a:\n-> ok\n"
              "--- Velmora RORUVEZ ---\nPlease Insert a Floppy Disk then press OK\n"
              "(press Enter) -> ok\n");
    // At the end of the input the disk prompt still goes on: OK is its only answer.
    EXPECT_EQ(rig.surface.messageBox("Please Insert a Floppy Disk then press OK", Buttons::Ok),
              Answer::Ok);
}

TEST(ConsoleSurfaceTest, ProgressLineOnATerminalIsClearedBeforeOtherOutput) {
    SurfaceRig terminal("", false, true);
    terminal.surface.progress("/x/breldo.2", 2, 1048576);
    EXPECT_EQ(terminal.err.str(), "\rpiece 2 /x/breldo.2: 1048576 bytes\x1b[K");
    // Drawn at most ten times a second.
    terminal.surface.progress("/x/breldo.2", 2, 2097152);
    EXPECT_EQ(testing::countOf(terminal.err.str(), "piece 2"), 1);
    terminal.surface.appendLog("/x/breldo.3");
    EXPECT_EQ(terminal.err.str(), "\rpiece 2 /x/breldo.2: 1048576 bytes\x1b[K\r\x1b[K");
    EXPECT_EQ(terminal.out.str(), "/x/breldo.3\n");
    terminal.surface.clearProgress();
    EXPECT_EQ(testing::countOf(terminal.err.str(), "\r\x1b[K"), 1);

    SurfaceRig pipe("");
    pipe.surface.progress("/x/breldo.2", 2, 1048576);
    pipe.surface.appendLog("/x/breldo.3");
    EXPECT_EQ(pipe.err.str(), "");
}

TEST(ConsoleInterruptTest, AnInterruptedJoinEndsAtOnceWithoutItsUnfinishedCopy) {
    testing::TempDir dir;
    testing::writeFile(dir.file("data.bin"), testing::patternBytes(5000));
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(
        runConsole({"split", dir.file("data.bin"), "--size", "2000", "--yes"}, {in, out, err}),
        kExitDone);
    std::filesystem::remove(dir.file("data.bin"));

    // The interrupt is already noted when the join starts: it acts at the first pump, with
    // the temporary file of the join created.
    EXPECT_EXIT(
        {
            installInterruptHandlers();
            ::raise(SIGINT);
            runConsole({"join", dir.file("breldo.1"), "--yes"}, {in, out, err});
        },
        ::testing::ExitedWithCode(kExitInterrupted), "");
    EXPECT_EQ(testing::listDir(dir.path()),
              (std::vector<std::string>{"breldo.1", "breldo.2", "breldo.3"}));
}

TEST(ConsoleDriveTableTest, BindingsReplaceOrAddLettersForThisRunOnly) {
    testing::FakeDriveTable machine;
    machine.bind('e', "/media/stick");
    ConsoleDriveTable table(machine, {{'a', "/tmp/floppy"}, {'e', ""}, {'g', "/srv/g"}});
    const auto drives = table.drives();
    std::string letters;
    for (const auto& drive : drives) {
        letters += drive.letter;
    }
    EXPECT_EQ(letters.find_first_of("aceg"), 0U);
    EXPECT_TRUE(std::is_sorted(letters.begin(), letters.end()));
    EXPECT_EQ(std::count(letters.begin(), letters.end(), 'e'), 1);

    const auto a = findDrive(table, 'A');
    ASSERT_TRUE(a);
    EXPECT_EQ(a->directory, "/tmp/floppy");
    EXPECT_TRUE(a->floppy);
    const auto e = findDrive(table, 'e');
    ASSERT_TRUE(e);
    EXPECT_EQ(e->directory, "");  // no disk in it
    EXPECT_FALSE(e->floppy);
    EXPECT_EQ(findDrive(table, 'g')->directory, "/srv/g");
    EXPECT_EQ(findDrive(machine, 'e')->directory, "/media/stick");
}

TEST(ConsoleOptionsTest, ParsesWhatTheUsageShows) {
    const ConsoleOptions options =
        parseArguments({"split", "--size=-5", "--save-to", "B:", "--drive", "B:=/mnt/f",
                        "--drive=c:=", "--yes", "--trace", "t.jsonl", "--", "-file"});
    EXPECT_EQ(options.command, ConsoleOptions::Command::Split);
    EXPECT_EQ(options.file, "-file");
    EXPECT_EQ(options.sizeText, "-5");
    EXPECT_EQ(options.saveTo, 'b');
    ASSERT_EQ(options.drives.size(), 2U);
    EXPECT_EQ(options.drives[0].letter, 'b');
    EXPECT_EQ(options.drives[0].directory, "/mnt/f");
    EXPECT_EQ(options.drives[1].letter, 'c');
    EXPECT_EQ(options.drives[1].directory, "");
    EXPECT_TRUE(options.yes);
    EXPECT_EQ(options.tracePath, "t.jsonl");

    const ConsoleOptions join = parseArguments({"join", "x/breldo.1"});
    EXPECT_EQ(join.command, ConsoleOptions::Command::Join);
    EXPECT_EQ(join.sizeText, "1400000");
    EXPECT_FALSE(join.saveTo);
    EXPECT_FALSE(join.yes);
    EXPECT_THROW(parseArguments({"split", "--", "a", "b"}), UsageError);
}

TEST(ConsoleOptionsTest, AbsolutePathsKeepDotDotButDropDotSegments) {
    char buffer[PATH_MAX];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    const std::string cwd = buffer;
    const std::pair<std::string, std::string> cases[] = {
        {"x.bin", cwd + "/x.bin"},
        {"./a/./b//c", cwd + "/a/b/c"},
        {"/a/../b", "/a/../b"},
        {"/", "/"},
        {"/data/REPORT.DOC  ", "/data/REPORT.DOC  "},
    };
    for (const auto& [given, expected] : cases) {
        EXPECT_EQ(absolutePath(given), expected) << given;
    }
}

}  // namespace
}  // namespace roruvez

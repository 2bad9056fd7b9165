#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <sstream>
#include <thread>

#include "cli_process.h"
#include "console/console_drives.h"
#include "console/console_options.h"
#include "console/console_run.h"
#include "console/console_surface.h"
#include "console/interruption.h"
#include "console/progress_line.h"
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
              "roruvez-cli: --- Velmora RORUVEZ ---\nNo space on disk: a:\n-> ok\n"
              "roruvez-cli: --- Velmora RORUVEZ ---\nPlease Insert a Floppy Disk then press OK\n"
              "(press Enter) -> ok\n");
    // At the end of the input the disk prompt still goes on: OK is its only answer.
    EXPECT_EQ(rig.surface.messageBox("Please Insert a Floppy Disk then press OK", Buttons::Ok),
              Answer::Ok);
}

JobProgress at(int piece, std::int64_t jobBytes, std::int64_t jobTotal) {
    return {"/x/breldo." + std::to_string(piece), piece, 0, jobBytes, jobTotal};
}

TEST(ConsoleSurfaceTest, ProgressLineOnATerminalIsClearedBeforeOtherOutput) {
    SurfaceRig terminal("", false, true);
    terminal.surface.progress(at(2, 1048576, 3500000));
    const std::string first = "\rpiece 2: 1048576 of 3500000 bytes, 29%, --- B/s, --:-- left\x1b[K";
    EXPECT_EQ(terminal.err.str(), first);
    // At most ten redraws a second, a new piece included.
    for (int block = 1; block <= 200; ++block) {
        terminal.surface.progress(at(2 + block / 100, 1048576 + block * 1024, 3500000));
    }
    EXPECT_EQ(testing::countOf(terminal.err.str(), "piece "), 1);
    terminal.surface.appendLog("/x/breldo.3");
    EXPECT_EQ(terminal.err.str(), first + "\r\x1b[K");
    EXPECT_EQ(terminal.out.str(), "/x/breldo.3\n");
    terminal.surface.clearProgress();
    EXPECT_EQ(testing::countOf(terminal.err.str(), "\r\x1b[K"), 1);
    // Once a tenth of a second has passed, the line is drawn again, now with a rate.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    terminal.surface.progress(at(3, 2500000, 3500000));
    EXPECT_EQ(testing::countOf(terminal.err.str(), "piece "), 2);
    EXPECT_EQ(terminal.err.str().find("--- B/s", first.size()), std::string::npos)
        << terminal.err.str();

    SurfaceRig pipe("");
    pipe.surface.progress(at(2, 1048576, 3500000));
    pipe.surface.appendLog("/x/breldo.3");
    EXPECT_EQ(pipe.err.str(), "");
}

TEST(ProgressLineTest, BytesPercentRateAndTimeLeft) {
    struct Case {
        JobProgress done;
        std::optional<double> rate;
        std::string line;
    };
    const Case cases[] = {
        {at(1, 0, 3500000), std::nullopt, "piece 1: 0 of 3500000 bytes, 0%, --- B/s, --:-- left"},
        {at(2, 1750000, 3500000), 1750000.0,
         "piece 2: 1750000 of 3500000 bytes, 50%, 1.7 MiB/s, 0:01 left"},
        {at(2, 1750001, 3500000), 0.0,
         "piece 2: 1750001 of 3500000 bytes, 50%, --- B/s, --:-- left"},
        {at(7, 0, 3686400), 1024.0, "piece 7: 0 of 3686400 bytes, 0%, 1.0 KiB/s, 1:00:00 left"},
        {at(1, 100, 200), 1.0, "piece 1: 100 of 200 bytes, 50%, 1.0 B/s, 1:40 left"},
        {at(3, 10, 40), 3.0e9, "piece 3: 10 of 40 bytes, 25%, 2.8 GiB/s, 0:01 left"},
        // A set whose pieces hold more than its header says never shows more than all of it.
        {at(4, 5000, 4000), 1000.0, "piece 4: 4000 of 4000 bytes, 100%, 1000.0 B/s, 0:00 left"},
        {at(1, 0, 0), std::nullopt, "piece 1: 0 of 0 bytes, 100%, --- B/s, --:-- left"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(progressLineText(c.done, c.rate), c.line);
    }
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
        parseArguments({"split", "--size-box=-5", "--save-to", "B:", "--drive", "B:=/mnt/f",
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

TEST(ConsoleOptionsTest, FilesAreMadeAbsoluteKeepingDotDotButDroppingDotSegments) {
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
        EXPECT_EQ(absoluteOrRefused(given), expected) << given;
    }
}

}  // namespace
}  // namespace roruvez

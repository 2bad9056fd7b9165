// What a script or an attacker can hand roruvez-cli: endless or interrupted answers, a trace name
// that is taken, a piece set that does not add up.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "cli_process.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::CliProcess;
using testing::CliResult;
using testing::countOf;
using testing::listDir;
using testing::readFile;
using testing::runCli;
using testing::writeFile;

class CliHostileTest : public testing::CliFixture {
  protected:
    std::string piece(int number) const { return dir.file("breldo." + std::to_string(number)); }
};

TEST_F(CliHostileTest, AnswersThatAreNeitherOkNorCancelEndInCancel) {
    const std::string path = makeSource("verylongname.bin", 5000);
    const struct {
        const char* what;
        std::string input;
    } cases[] = {
        {"yes, without end",
         [] {
             std::string lines;
             for (int i = 0; i < 100000; ++i) {
                 lines += "y\n";
             }
             return lines;
         }()},
        {"one endless line", std::string(std::size_t{4} << 20, '\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CliResult result = runCli({"split", path}, c.input);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(countOf(result.err, "Please answer ok or cancel.\n"), 2);
        EXPECT_LT(result.err.size(), 2000U);
        EXPECT_NE(result.err.find("-> cancel\n"), std::string::npos) << result.err;
        EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"verylongname.bin"});
    }
}

TEST_F(CliHostileTest, CtrlCAtAnyBoxIsACancelThatWritesNothingMore) {
    const std::string drive = dir.file("drive");
    fs::create_directory(drive);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const std::string path = makeSource("data.bin", 2500);
        CliProcess atDisk(
            {"split", path, "--size", "2000", "--drive", "a:=" + drive, "--save-to", "a:"});
        ASSERT_TRUE(atDisk.waitForError("Please insert a Floppy Disk then press OK\n", 1))
            << atDisk.err();
        atDisk.sendSignal(signal);
        EXPECT_EQ(atDisk.finish(std::chrono::seconds(5)), 130) << atDisk.err();
        EXPECT_TRUE(fs::is_empty(drive));

        CliProcess atQuestion({"split", makeSource("verylongname.bin", 2500)});
        ASSERT_TRUE(atQuestion.waitForError("(ok/cancel) ", 1)) << atQuestion.err();
        atQuestion.sendSignal(signal);
        EXPECT_EQ(atQuestion.finish(std::chrono::seconds(5)), 130) << atQuestion.err();
        EXPECT_FALSE(fs::exists(piece(1)));
        fs::remove(dir.file("verylongname.bin"));
    }
}

TEST_F(CliHostileTest, ATraceNeverReplacesAFile) {
    const std::string path = makeSource("data.bin", 5000);
    ASSERT_EQ(runCli({"split", path, "--size", "2000"}).status, 0);
    const std::string piece2 = readFile(piece(2));
    for (const std::string& taken : {piece(2), dir.file("data.bin")}) {
        SCOPED_TRACE(taken);
        const CliResult result = runCli({"join", piece(1), "--trace", taken});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("--trace " + taken + " already exists"), std::string::npos)
            << result.err;
    }
    EXPECT_EQ(readFile(piece(2)), piece2);
    EXPECT_EQ(readFile(dir.file("data.bin")), source);
}

// A join that restores something other than the source says so in its status, so that a
// script never takes a short or padded file for the original.
TEST_F(CliHostileTest, AJoinWhosePiecesDoNotAddUpExitsThree) {
    const std::string path = makeSource("data.bin", 5000);
    ASSERT_EQ(runCli({"split", path, "--size", "2000"}).status, 0);
    fs::remove(path);
    const std::string piece3 = readFile(piece(3));
    fs::remove(piece(3));

    const CliResult missingLast = runCli({"join", piece(1)});
    EXPECT_EQ(missingLast.status, 3) << missingLast.err;
    EXPECT_NE(missingLast.err.find("Error: CheckSum error: Ignoring..."), std::string::npos);
    EXPECT_NE(missingLast.err.find("breldo.3 is missing."), std::string::npos) << missingLast.err;
    EXPECT_EQ((missingLast.out + missingLast.err).find("Done!"), std::string::npos);
    EXPECT_EQ(readFile(path), source.substr(0, 3840));
    fs::remove(path);

    writeFile(piece(3), piece3);
    const CliResult whole = runCli({"join", piece(1)});
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(readFile(path), source);
}

}  // namespace
}  // namespace roruvez

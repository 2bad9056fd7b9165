// Pieces and sources that are not plain files: directories, FIFOs with nobody at the other end,
// links to devices. Every job ends within seconds with a clear outcome and changes nothing.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "support/job_fixture.h"
#include "tree_snapshot.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::patternBytes;
using testing::readFile;
using testing::TreeSnapshot;
using testing::writeFile;

using Maker = std::function<void(const fs::path&)>;

struct Special {
    const char* what;
    Maker make;
};

const Special kSpecials[] = {
    {"directory", [](const fs::path& p) { fs::create_directory(p); }},
    {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
    {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
    {"link to /dev/null", [](const fs::path& p) { fs::create_symlink("/dev/null", p); }},
};

class SpecialFileTest : public testing::JobFixture {
  protected:
    SpecialFileTest() { jobLimit = std::chrono::seconds(10); }
    void fresh() {
        fs::remove_all(dir.path());
        fs::create_directory(dir.path());
    }
    std::string piece(int number) const { return dir.file("breldo." + std::to_string(number)); }
};

TEST_F(SpecialFileTest, ASplitMeetingOneWhereAPieceGoesStopsThere) {
    for (const Special& special : kSpecials) {
        SCOPED_TRACE(special.what);
        fresh();
        const std::string source = patternBytes(10000, 2);
        const std::string path = dir.file("DATA.BIN");
        writeFile(path, source);
        special.make(piece(2));
        const TreeSnapshot before = TreeSnapshot::of(dir.path());

        runSplit(path, "4000");

        EXPECT_EQ(surface.prompts(),
                  (std::vector<std::string>{
                      "Sorry:" + piece(2) + " already exists or Disk Error: Exited!",
                      "Error writing files on: " + dir.prefix()}));
        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        EXPECT_EQ(TreeSnapshot::of(dir.path()).changesSince(before),
                  (std::vector<std::string>{"added breldo.1"}));
        EXPECT_TRUE(readFile(piece(1)).substr(160) == source.substr(0, 3840));
    }
}

// Nothing but an ordinary file is read: a FIFO, a device or a terminal could block the read for
// ever or never end it.
TEST_F(SpecialFileTest, AJoinWhosePieceOneIsNotAFileEndsNotCompleted) {
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    const std::string terminalPath = ::ptsname(terminal);
    const Special linkToTerminal{"link to a terminal",
                                 [&](const fs::path& p) { fs::create_symlink(terminalPath, p); }};
    const struct {
        const Special& special;
        std::string prompt;
    } cases[] = {
        {kSpecials[0], "Is a directory"},         {kSpecials[1], "Not an ordinary file"},
        {kSpecials[2], "Not an ordinary file"},   {kSpecials[3], "Not an ordinary file"},
        {linkToTerminal, "Not an ordinary file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.special.what);
        fresh();
        c.special.make(piece(1));
        const TreeSnapshot before = TreeSnapshot::of(dir.path());

        runJoin(piece(1));

        EXPECT_EQ(surface.prompts(),
                  (std::vector<std::string>{c.prompt, "Error getting file info: " + piece(1)}));
        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        EXPECT_TRUE(TreeSnapshot::of(dir.path()).changesSince(before).empty());
    }
    ::close(terminal);
}

// A later piece that is not a file ends the count there, as a missing piece does: the warning,
// then the pieces before it are joined.
TEST_F(SpecialFileTest, AJoinWhoseLaterPieceIsNotAFileStopsCountingThere) {
    for (const Special& special : kSpecials) {
        SCOPED_TRACE(special.what);
        fresh();
        const std::string source = patternBytes(10000, 2);
        writeFile(dir.file("DATA.BIN"), source);
        runSplit(dir.file("DATA.BIN"), "4000");
        ASSERT_EQ(surface.caption(Control::Label9), "Done!");
        fs::remove(dir.file("DATA.BIN"));
        fs::remove(piece(2));
        special.make(piece(2));

        runJoin(piece(1));

        const auto prompts = surface.prompts();
        ASSERT_EQ(prompts.size(), 2U);
        EXPECT_EQ(prompts[0], "Error: CheckSum error: Ignoring...");
        EXPECT_NE(prompts[1].find("breldo.2 is missing."), std::string::npos) << prompts[1];
        EXPECT_EQ(surface.caption(Control::Label7), "TB: 3840 FN: 1");
        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        EXPECT_TRUE(readFile(dir.file("DATA.BIN")) == source.substr(0, 3840));
    }
}

// The source is opened and measured before anything else, so a FIFO or a device is refused as not
// a file, not measured by its name as empty.
TEST_F(SpecialFileTest, ASourceThatIsNotAFileIsRefusedBeforeAnythingIsWritten) {
    const struct {
        const char* what;
        Maker make;
    } cases[] = {
        {"FIFO", kSpecials[1].make},
        {"/dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        c.make(dir.path() / "SOURCE");
        const TreeSnapshot before = TreeSnapshot::of(dir.path());

        runSplit(dir.file("SOURCE"), "1000");

        EXPECT_EQ(
            surface.prompts(),
            (std::vector<std::string>{"Not an ordinary file", "Error reading input file: SOURCE"}));
        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        EXPECT_TRUE(TreeSnapshot::of(dir.path()).changesSince(before).empty());
    }
}

}  // namespace
}  // namespace roruvez

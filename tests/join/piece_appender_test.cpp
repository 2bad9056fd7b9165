#include "join/piece_appender.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "join/piece_set.h"
#include "platform/hidden_outputs.h"
#include "platform/output_file.h"
#include "support/no_unnamed_files.h"

namespace roruvez {
namespace {

using testing::JoinFixture;
using testing::patternBytes;
using testing::readFile;
using testing::writeFile;

class AppendFailureTest : public JoinFixture {
  protected:
    // The driver's report after a failed copy: the output named, what failed, nothing kept.
    void expectFailedCopy(const std::string& name, const std::string& whatFailed) {
        const auto prompts = surface.prompts();
        ASSERT_FALSE(prompts.empty());
        EXPECT_EQ(prompts.back(), "Error joining files into: " + dir.prefix() + name + "\r\n" +
                                      whatFailed + "\r\nNo file was written under this name.");
        expectNotCompleted();
        EXPECT_EQ(surface.coloursOf(Control::Label3).back(), kLightRed);
    }
};

TEST_F(AppendFailureTest, APieceThatVanishesAfterItWasCounted) {
    writeSet({.name = "GONE.BIN"}, patternBytes(1000), 400);
    surface.onPump = [&] { std::filesystem::remove(piece(2)); };

    join();

    expectFailedCopy("GONE.BIN", "Opening " + piece(2) + ": No such file or directory");
    EXPECT_TRUE(surface.prompts().size() == 1U);
    // The pieces before it were copied and logged; the partial copy is gone all the same.
    EXPECT_EQ(surface.logLines(), (std::vector<std::string>{dir.file("GONE.BIN    "), piece(1)}));
    expectDirHolds({"breldo.1", "breldo.3"});
}

TEST_F(AppendFailureTest, AProgramEndingMidJoinLeavesNoUnfinishedCopy) {
    // Under a hidden name, where the file system has no unnamed files, and without one.
    for (bool named : {false, true}) {
        SCOPED_TRACE(named ? "hidden name" : "unnamed");
        freshDir();
        std::optional<testing::NoUnnamedFiles> noUnnamed;
        if (named) {
            noUnnamed.emplace();
        }
        writeSet({.name = "QUIT.BIN"}, patternBytes(1000), 400);
        std::vector<std::string> seen;
        surface.onPump = [&] {
            // What the window does when it is closed during the copy.
            seen = testing::listDir(dir.path());
            state.closeAllFiles();
        };

        join();

        std::vector<std::string> pieces = {"breldo.1", "breldo.2", "breldo.3"};
        if (named) {
            pieces.insert(pieces.begin(), temporaryOutputName(::getpid(), 1));
        }
        EXPECT_EQ(seen, pieces);
        expectNotCompleted();
        expectDirHolds({"breldo.1", "breldo.2", "breldo.3"});
    }
}

TEST_F(AppendFailureTest, PiecesWithoutData) {
    struct Case {
        const char* what;
        int emptied;              // the piece cut down
        std::size_t keep;         // to this many bytes
        std::string failedPiece;  // as the report names it
    };
    const Case cases[] = {
        {"later piece of length 0", 2, 0, "breldo.2"},
        {"piece 1 of exactly the header", 1, 160, "breldo.1"},
        {"piece 1 shorter than the header", 1, 150, "breldo.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        freshDir();
        writeSet({.name = "EMPTY.BIN"}, patternBytes(1000), 400);
        std::filesystem::resize_file(piece(c.emptied), c.keep);

        join();

        expectFailedCopy("EMPTY.BIN",
                         "Reading " + dir.file(c.failedPiece) + ": The piece holds no data");
        expectDirHolds({"breldo.1", "breldo.2", "breldo.3"});
    }
}

TEST_F(AppendFailureTest, APieceThatShrinksWhileTheWindowRunsIsAFailureNotZeros) {
    writeSet({.name = "SHRUNK.BIN"}, patternBytes(1000), 400);
    bool shrunk = false;
    surface.onPump = [&] {
        if (!shrunk) {
            std::filesystem::resize_file(piece(1), 300);
            shrunk = true;
        }
    };

    join();

    expectFailedCopy("SHRUNK.BIN",
                     "Reading " + piece(1) + ": The piece changed while it was joined");
    expectDirHolds({"breldo.1", "breldo.2", "breldo.3"});
}

TEST_F(AppendFailureTest, AFileAppearingUnderTheNameDuringTheCopyIsNotReplaced) {
    writeSet({.name = "RACE.BIN"}, patternBytes(1000), 400);
    surface.onPump = [&] {
        if (!std::filesystem::exists(dir.file("RACE.BIN"))) {
            writeFile(dir.file("RACE.BIN"), "someone else's");
        }
    };

    join();

    expectFailedCopy("RACE.BIN",
                     "Moving the joined file to " + dir.file("RACE.BIN") + ": File exists");
    EXPECT_EQ(readFile(dir.file("RACE.BIN")), "someone else's");
    expectDirHolds({"RACE.BIN", "breldo.1", "breldo.2", "breldo.3"});
}

TEST_F(AppendFailureTest, AHiddenNameInUseIsSkipped) {
    testing::NoUnnamedFiles noUnnamed;
    const std::string source = patternBytes(1000);
    writeSet({.name = "BUSY.BIN"}, source, 400);
    const std::string busy = temporaryOutputName(::getpid(), 1);
    writeFile(dir.file(busy), "not ours");
    writeFile(dir.file(".roruvez-join-1.part"), "not ours either");
    // Its writer holds it, as a live job does.
    const int writer = ::open(dir.file(busy).c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);

    join();
    ::close(writer);

    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_EQ(readFile(dir.file("BUSY.BIN")), source);
    EXPECT_EQ(readFile(dir.file(busy)), "not ours");
    EXPECT_EQ(readFile(dir.file(".roruvez-join-1.part")), "not ours either");
}

TEST_F(AppendFailureTest, AJobStartedDuringTheEventsStopsThisOne) {
    writeSet({.name = "TWICE.BIN"}, patternBytes(1000), 400);
    surface.onPump = [&] { state.closeAllFiles(); };

    join();

    expectFailedCopy("TWICE.BIN", "Reading " + piece(1) +
                                      ": Another job closed the files of "
                                      "this one");
    expectDirHolds({"breldo.1", "breldo.2", "breldo.3"});
}

// A small file system that fills up; unmounted at the end.
class SmallDisk {
  public:
    explicit SmallDisk(const std::string& directory) : directory_(directory) {
        mounted_ = ::mount("tmpfs", directory.c_str(), "tmpfs", 0, "size=1m") == 0;
        error_ = mounted_ ? 0 : errno;
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount2(directory_.c_str(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    int error() const { return error_; }

  private:
    std::string directory_;
    bool mounted_ = false;
    int error_ = 0;
};

TEST_F(AppendFailureTest, AFullDiskLeavesNoFileBehind) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    SmallDisk disk(dir.path().string());
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(disk.error());
    }
    // 600 KB of pieces leave no room for 600 KB more on a 1 MB disk.
    const std::string source = patternBytes(600000);
    writeSet({.name = "FULL.BIN"}, source, 250000);

    join();

    expectFailedCopy("FULL.BIN", "Writing " + dir.file("FULL.BIN") + ": No space left on device");
    expectDirHolds({"breldo.1", "breldo.2", "breldo.3"});
}

}  // namespace
}  // namespace roruvez

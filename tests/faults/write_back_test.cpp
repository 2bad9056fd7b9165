// A flushed output (a floppy drive here) against the kernel's write-back, as this test program
// sees it: sync_file_range is wrapped below, so every range the job starts or waits for is
// recorded, can be held until the job pumps its events, or can fail.

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <variant>

#include "join/join_driver.h"
#include "platform/error.h"
#include "split/split_driver.h"
#include "support/job_fixture.h"

namespace {

struct RangeCall {
    ino_t inode;
    off64_t end;
    bool waited;
};

struct Progress {
    std::int64_t pieceBytes;
};

// What the wrapper does; touched by the job's thread and the thread that waits.
struct WriteBackSeam {
    std::mutex mutex;
    std::condition_variable pumped;
    bool recording = false;
    std::vector<std::variant<RangeCall, Progress>> events;
    int failWith = 0;
    // The first wait is held until the job pumps its events, or for at most the limit.
    bool holdFirstWait = false;
    bool heldWaitSawPump = false;
    bool holding = false;
    long pumps = 0;
};

WriteBackSeam gSeam;

}  // namespace

extern "C" int sync_file_range(int fd, off64_t offset, off64_t count, unsigned int flags) {
    using Real = int (*)(int, off64_t, off64_t, unsigned int);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "sync_file_range"));
    const bool waits = (flags & SYNC_FILE_RANGE_WAIT_AFTER) != 0;
    {
        std::unique_lock lock(gSeam.mutex);
        if (waits && gSeam.failWith != 0) {
            errno = gSeam.failWith;
            return -1;
        }
        if (waits && std::exchange(gSeam.holdFirstWait, false)) {
            const long before = gSeam.pumps;
            gSeam.holding = true;
            gSeam.heldWaitSawPump = gSeam.pumped.wait_for(lock, std::chrono::seconds(20),
                                                          [&] { return gSeam.pumps > before; });
            gSeam.holding = false;
        }
    }
    const int result = real(fd, offset, count, flags);
    struct stat info {};
    std::lock_guard lock(gSeam.mutex);
    if (gSeam.recording && result == 0 && ::fstat(fd, &info) == 0) {
        gSeam.events.emplace_back(RangeCall{info.st_ino, offset + count, waits});
    }
    return result;
}

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::patternBytes;
using testing::readFile;
using testing::writeFile;

constexpr std::size_t kPieceSize = 1000000;

class WriteBackTest : public testing::JobFixture {
  protected:
    void SetUp() override {
        fs::create_directories(floppy());
        source = patternBytes(2 * kPieceSize + 300000, 17);
        writeFile(dir.file("DATA.BIN"), source);
        drives.bind('a', floppy().string());
        surface.check1 = 1;
        surface.drive = "a: [" + floppy().string() + "]";
        surface.setText(Control::Text2, std::to_string(kPieceSize));
        freeSpace.setFreeBytes(100000000);
        surface.onProgress = [](const JobProgress& done) {
            std::lock_guard lock(gSeam.mutex);
            if (gSeam.recording) {
                gSeam.events.emplace_back(Progress{done.pieceBytes});
            }
        };
        surface.onPump = [] {
            std::lock_guard lock(gSeam.mutex);
            ++gSeam.pumps;
            gSeam.pumped.notify_all();
        };
        std::lock_guard lock(gSeam.mutex);
        gSeam.recording = true;
    }

    void TearDown() override {
        std::lock_guard lock(gSeam.mutex);
        gSeam.recording = false;
        gSeam.events.clear();
        gSeam.failWith = 0;
        gSeam.holdFirstWait = false;
        gSeam.heldWaitSawPump = false;
        gSeam.holding = false;
    }

    fs::path floppy() const { return dir.path() / "floppy"; }
    std::string piecePath(int number) const {
        return (floppy() / ("breldo." + std::to_string(number))).string();
    }

    void split() {
        state.FilePath = dir.file("DATA.BIN");
        SplitFile(state.FilePath, context);
    }

    std::string source;
};

TEST_F(WriteBackTest, ProgressCountsOnlyWhatTheMediumHasAndEveryPieceIsOnItBeforeItsName) {
    {
        std::lock_guard lock(gSeam.mutex);
        gSeam.holdFirstWait = true;
    }
    split();
    ASSERT_EQ(surface.caption(Control::Label9), "Done!");

    std::lock_guard lock(gSeam.mutex);
    // The first wait for the medium was still going when the job pumped its events: waits do
    // not hold the job's thread.
    EXPECT_TRUE(gSeam.heldWaitSawPump);
    std::map<ino_t, off64_t> settled;
    ino_t current = 0;
    long started = 0;
    long reports = 0;
    for (const auto& event : gSeam.events) {
        if (const auto* call = std::get_if<RangeCall>(&event)) {
            current = call->inode;
            if (call->waited) {
                settled[current] = std::max(settled[current], call->end);
            } else {
                ++started;
            }
        } else {
            ++reports;
            EXPECT_LE(std::get<Progress>(event).pieceBytes, settled[current])
                << "progress ran ahead of what the medium has";
        }
    }
    EXPECT_GT(started, 0) << "no write-back was started while the pieces were copied";
    EXPECT_GT(reports, 3);
    for (int number = 1; number <= 3; ++number) {
        struct stat info {};
        ASSERT_EQ(::stat(piecePath(number).c_str(), &info), 0);
        EXPECT_EQ(settled[info.st_ino], info.st_size) << "piece " << number;
    }
    EXPECT_TRUE(readFile(piecePath(3)).size() == 300000 + 160);
}

TEST_F(WriteBackTest, ClosingTheWindowDuringAWaitLeavesNothingOnTheDisk) {
    {
        std::lock_guard lock(gSeam.mutex);
        gSeam.holdFirstWait = true;
    }
    // What the window's close box does in the pump: the job's files are closed; the program then
    // ends, which here is the throw.
    surface.onPump = [this] {
        {
            std::lock_guard lock(gSeam.mutex);
            ++gSeam.pumps;
            gSeam.pumped.notify_all();
            if (!gSeam.holding) {
                return;
            }
        }
        state.closeAllFiles();
        throw std::runtime_error("the window was closed");
    };
    split();
    std::lock_guard lock(gSeam.mutex);
    EXPECT_TRUE(gSeam.heldWaitSawPump);
    EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
    EXPECT_TRUE(fs::is_empty(floppy())) << "a piece or a hidden file was left";
}

TEST_F(WriteBackTest, AWriteBackThatFailsFailsThePieceAsAWriteDoes) {
    for (const int errnum : {EIO, ENOSPC}) {
        SCOPED_TRACE(describeErrno(errnum));
        surface.clearHistory();
        {
            std::lock_guard lock(gSeam.mutex);
            gSeam.failWith = errnum;
        }
        split();
        EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
        EXPECT_EQ(surface.backColour(Control::Label3), kLightRed);
        bool told = false;
        for (const std::string& prompt : surface.prompts()) {
            told = told || prompt.find(describeErrno(errnum)) != std::string::npos;
        }
        EXPECT_TRUE(told) << "no box says what went wrong";
        // Nothing under a piece's name, and no hidden file either.
        EXPECT_TRUE(fs::is_empty(floppy()));
    }
}

}  // namespace
}  // namespace roruvez

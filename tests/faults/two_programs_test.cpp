// Two programs split two different files into the same directory at the same moment: one
// completes, the other is refused, and every piece there belongs to the one that completed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/fakes.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::patternBytes;
using testing::readFile;
using testing::writeFile;

constexpr int kRounds = 8;
constexpr std::size_t kSourceSize = 6000000;
constexpr std::size_t kPieceSize = 1000000;

struct Child {
    pid_t pid = -1;
    int status = -1;
    std::string output;
};

// Starts roruvez-cli split path, held back until the start pipe is written.
pid_t startSplit(const std::string& path, const std::string& outputFile, int startPipe) {
    const pid_t pid = ::fork();
    if (pid != 0) {
        return pid;
    }
    char go = 0;
    if (::read(startPipe, &go, 1) != 1) {
        ::_exit(100);
    }
    const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(out, STDERR_FILENO);
    const std::string size = std::to_string(kPieceSize);
    ::execl(RORUVEZ_CLI_PATH, "roruvez-cli", "split", path.c_str(), "--size", size.c_str(), "--yes",
            static_cast<char*>(nullptr));
    ::_exit(101);
}

// Waits for the child at most a minute; a child still running then has hung and is killed.
int waitFor(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

TEST(TwoProgramsTest, TwoSplitsIntoOneDirectoryAtOnceNeverMixTheirPieces) {
    testing::TempDir dir;
    const std::string sources[2] = {patternBytes(kSourceSize, 1), patternBytes(kSourceSize, 2)};
    const std::string names[2] = {"A.BIN", "B.BIN"};
    const std::size_t pieces = (kSourceSize + 160 + kPieceSize - 1) / kPieceSize;
    int wins[2] = {0, 0};
    for (int round = 1; round <= kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        fs::remove_all(dir.path() / "shared");
        fs::create_directories(dir.path() / "shared");
        std::string paths[2];
        for (int k = 0; k < 2; ++k) {
            paths[k] = (dir.path() / "shared" / names[k]).string();
            writeFile(paths[k], sources[k]);
        }
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        Child children[2];
        for (int k = 0; k < 2; ++k) {
            children[k].pid = startSplit(paths[k], dir.file("out" + std::to_string(k)), start[0]);
            ASSERT_GT(children[k].pid, 0);
        }
        ASSERT_EQ(::write(start[1], "gg", 2), 2);
        ::close(start[0]);
        ::close(start[1]);
        for (int k = 0; k < 2; ++k) {
            children[k].status = waitFor(children[k].pid);
            children[k].output = readFile(dir.file("out" + std::to_string(k)));
        }

        ASSERT_NE(children[0].status, -1) << "the split of A.BIN hung";
        ASSERT_NE(children[1].status, -1) << "the split of B.BIN hung";
        ASSERT_TRUE((children[0].status == 0) != (children[1].status == 0))
            << "exit statuses " << children[0].status << " and " << children[1].status;
        const int winner = children[0].status == 0 ? 0 : 1;
        const Child& loser = children[1 - winner];
        ++wins[winner];
        EXPECT_EQ(loser.status, 1);
        EXPECT_TRUE(loser.output.find("already exists") != std::string::npos ||
                    loser.output.find("File exists") != std::string::npos)
            << loser.output;

        std::vector<std::string> expected{names[0], names[1]};
        for (std::size_t n = 1; n <= pieces; ++n) {
            expected.push_back("breldo." + std::to_string(n));
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(testing::listDir(dir.path() / "shared"), expected);
        std::string joined;
        for (std::size_t n = 1; n <= pieces; ++n) {
            const std::string bytes =
                readFile((dir.path() / "shared" / ("breldo." + std::to_string(n))).string());
            joined += n == 1 ? bytes.substr(160) : bytes;
            if (n == 1) {
                EXPECT_EQ(bytes.substr(120, 12), names[winner] + "       ");
            }
        }
        EXPECT_TRUE(joined == sources[winner]) << "the pieces mix the two sources";
        for (int k = 0; k < 2; ++k) {
            EXPECT_TRUE(readFile(paths[k]) == sources[k]);
        }
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
    std::cout << "two programs at once: A won " << wins[0] << ", B won " << wins[1] << " of "
              << kRounds << " rounds\n";
}

}  // namespace
}  // namespace roruvez

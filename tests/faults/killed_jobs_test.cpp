// roruvez-cli killed with SIGKILL at random moments of a split and of a join: what it leaves
// under a final name is complete, and the next job in that directory runs normally and leaves
// no temporary file. Every other kill runs with unnamed files unavailable, so that the outputs
// go under hidden names, as on vfat, and the next job has to recognise them as abandoned.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

#include "format/checksum_file.h"
#include "format/piece_format.h"
#include "support/fakes.h"
#include "support/no_unnamed_files.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing::listDir;
using testing::patternBytes;
using testing::readFile;
using testing::writeFile;

constexpr int kKills = 50;
constexpr unsigned kSeed = 12;
constexpr std::size_t kSourceSize = 24000000;
constexpr std::size_t kPieceSize = 2000000;

enum class Job { Split, Join };

// Starts roruvez-cli on the job in directory; named makes it write under hidden names.
pid_t start(Job job, const fs::path& directory, bool named) {
    const pid_t pid = ::fork();
    if (pid != 0) {
        return pid;
    }
    const int quiet = ::open("/dev/null", O_RDWR);
    ::dup2(quiet, STDIN_FILENO);
    ::dup2(quiet, STDOUT_FILENO);
    ::dup2(quiet, STDERR_FILENO);
    if (named) {
        ::setenv(testing::kNoUnnamedFiles, "1", 1);
        ::setenv("LD_PRELOAD", RORUVEZ_NO_UNNAMED_PRELOAD, 1);
    }
    const std::string size = std::to_string(kPieceSize);
    if (job == Job::Split) {
        const std::string source = (directory / "DATA.BIN").string();
        ::execl(RORUVEZ_CLI_PATH, "roruvez-cli", "split", source.c_str(), "--size", size.c_str(),
                "--checksums", "--yes", static_cast<char*>(nullptr));
    } else {
        const std::string piece1 = (directory / "breldo.1").string();
        ::execl(RORUVEZ_CLI_PATH, "roruvez-cli", "join", piece1.c_str(), "--yes",
                static_cast<char*>(nullptr));
    }
    ::_exit(127);
}

// The exit status, or -signal for a child ended by a signal.
int finish(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Whether two splits of one source wrote the same piece: the time stamp in piece 1's header is
// the only difference allowed.
bool samePiece(std::string a, std::string b) {
    const HeaderFieldLayout& stamp = layoutOf(HeaderField::Stamp);
    const auto header = static_cast<std::size_t>(kHeaderLength);
    if (a.size() >= header && b.size() >= header) {
        a.replace(stamp.offset, stamp.width, stamp.width, ' ');
        b.replace(stamp.offset, stamp.width, stamp.width, ' ');
    }
    return a == b;
}

std::vector<std::string> hiddenEntries(const fs::path& directory) {
    std::vector<std::string> hidden;
    for (const std::string& name : listDir(directory)) {
        if (name[0] == '.') {
            hidden.push_back(name);
        }
    }
    return hidden;
}

class KilledJobsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        source = patternBytes(kSourceSize, 41);
        fs::create_directories(work());
        writeFile((work() / "DATA.BIN").string(), source);
        const auto begun = Clock::now();
        ASSERT_EQ(finish(start(Job::Split, work(), false)), 0);
        splitTime = Clock::now() - begun;
        for (int number = 1; fs::exists(piece(number)); ++number) {
            pieces.push_back(readFile(piece(number).string()));
        }
        ASSERT_EQ(pieces.size(), (kSourceSize + 160 + kPieceSize - 1) / kPieceSize);
        list = readFile(listPath().string());
    }

    fs::path work() const { return dir.path() / "work"; }
    fs::path piece(int number) const { return work() / ("breldo." + std::to_string(number)); }
    fs::path listPath() const { return work() / kChecksumFileName; }

    // A fresh directory with what the job starts from: the source, or the pieces without it.
    void prepare(Job job) {
        fs::remove_all(work());
        fs::create_directories(work());
        if (job == Job::Split) {
            writeFile((work() / "DATA.BIN").string(), source);
            return;
        }
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            writeFile(piece(static_cast<int>(k + 1)).string(), pieces[k]);
        }
        writeFile(listPath().string(), list);
    }

    // Every piece, checksum list or joined file under its final name is complete; the hidden
    // names found.
    std::vector<std::string> checkAfterKill(Job job) {
        for (const std::string& name : listDir(work())) {
            if (name == kChecksumFileName) {
                EXPECT_TRUE(testing::sha256sumPasses(work().string(), true))
                    << "the checksum list does not hold for the pieces";
            } else if (name.rfind("breldo.", 0) == 0) {
                const std::size_t number = std::stoul(name.substr(7));
                EXPECT_TRUE(number >= 1 && number <= pieces.size() &&
                            samePiece(readFile((work() / name).string()), pieces[number - 1]))
                    << name << " is not complete";
            } else if (name == "DATA.BIN") {
                EXPECT_TRUE(readFile((work() / name).string()) == source)
                    << "the " << (job == Job::Split ? "source" : "joined file") << " differs";
            } else {
                EXPECT_EQ(name[0], '.') << "an unexpected " << name;
            }
        }
        return hiddenEntries(work());
    }

    // The next job in the directory, as a user would run it: the complete outputs of the killed
    // one removed first. It completes and leaves no temporary file.
    void nextJob(Job job, bool named) {
        if (job == Job::Split) {
            for (int number = 1; number <= static_cast<int>(pieces.size()); ++number) {
                fs::remove(piece(number));
            }
            fs::remove(listPath());
        } else {
            fs::remove(work() / "DATA.BIN");
        }
        ASSERT_EQ(finish(start(job, work(), named)), 0);
        EXPECT_EQ(hiddenEntries(work()), std::vector<std::string>{});
        EXPECT_TRUE(testing::sha256sumPasses(work().string()));
        if (job == Job::Split) {
            for (std::size_t k = 0; k < pieces.size(); ++k) {
                EXPECT_TRUE(
                    samePiece(readFile(piece(static_cast<int>(k + 1)).string()), pieces[k]));
            }
        } else {
            EXPECT_TRUE(readFile((work() / "DATA.BIN").string()) == source);
        }
    }

    void killAtRandomMoments(Job job) {
        std::mt19937 random(kSeed + static_cast<unsigned>(job));
        // Up to three quarters of the time an undisturbed split took, so that most kills land
        // while the job runs even when it runs faster than that one.
        std::uniform_int_distribution<long> delay(
            0, std::chrono::duration_cast<std::chrono::microseconds>(splitTime).count() * 3 / 4);
        int killed = 0;
        int leftHidden = 0;
        for (int round = 0; round < kKills; ++round) {
            const bool named = round % 2 == 1;
            SCOPED_TRACE("kill " + std::to_string(round + 1) + (named ? ", hidden names" : ""));
            prepare(job);
            const pid_t pid = start(job, work(), named);
            if (named && round % 4 == 3) {
                // Every other run with hidden names is killed once one is seen, so that some kill
                // lands while an output is under way however quick the copies are.
                const auto deadline = Clock::now() + std::chrono::seconds(10);
                while (hiddenEntries(work()).empty() && Clock::now() < deadline) {
                }
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
            }
            ::kill(pid, SIGKILL);
            if (finish(pid) == -SIGKILL) {
                ++killed;
            }
            const std::vector<std::string> hidden = checkAfterKill(job);
            EXPECT_TRUE(named || hidden.empty()) << "an unnamed output left " << hidden.front();
            leftHidden += static_cast<int>(hidden.size());
            nextJob(job, named);
            if (HasFailure()) {
                break;
            }
        }
        std::cout << (job == Job::Split ? "split" : "join") << ": " << killed << " of " << kKills
                  << " runs killed mid-job, " << leftHidden
                  << " abandoned hidden outputs removed by the next job\n";
        // Most kills must land while the job runs, and some while an output is under way.
        EXPECT_GE(killed, kKills / 3);
        EXPECT_GT(leftHidden, 0);
    }

    testing::TempDir dir;
    std::string source;
    std::vector<std::string> pieces;
    std::string list;
    Clock::duration splitTime{};
};

TEST_F(KilledJobsTest, ASplitKilledAnywhereLeavesOnlyCompletePieces) {
    killAtRandomMoments(Job::Split);
}

TEST_F(KilledJobsTest, AJoinKilledAnywhereLeavesNoIncompleteFile) {
    killAtRandomMoments(Job::Join);
}

}  // namespace
}  // namespace roruvez

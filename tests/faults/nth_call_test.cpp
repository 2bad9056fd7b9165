// Fails the n-th open, read, write, fsync, write-back, close or in-kernel copy of a split of a
// five-piece set and of its join, for n = 1, 2, 3, ... until the job completes, once with a single
// failure and once with every call from n on, and checks after every run that nothing was lost,
// overwritten or reported as done, and that no incomplete or temporary file is left. The buffered
// floppy jobs run with checksums: every disk gets a list, and every piece is read back.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <set>

#include "fault_points.h"
#include "format/checksum_file.h"
#include "format/piece_format.h"
#include "join/join_driver.h"
#include "platform/error.h"
#include "split/split_driver.h"
#include "support/job_fixture.h"
#include "support/no_unnamed_files.h"
#include "tree_snapshot.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::faultPoint;
using testing::JobFixture;
using testing::NthCallFault;
using testing::patternBytes;
using testing::readFile;
using testing::TreeSnapshot;
using testing::writeFile;

constexpr int kPieces = 5;
constexpr long kMaxRuns = 400;

enum class Job { Split, Join };
enum class Target { Directory, Floppy };
// How the data travels: through the kernel (copy_file_range), or through read and write where the
// kernel cannot copy.
enum class Copy { Kernel, Buffered };
// How an output is written until it is complete: as an unnamed file, or under a hidden name, as
// on file systems without unnamed files.
enum class Naming { Unnamed, Hidden };

// Five pieces: four of the piece size and a last one of 1000 bytes.
constexpr std::size_t kPieceSize = 3000;
constexpr std::size_t kSourceSize = 4 * kPieceSize + 1000 - 160;

struct Scenario {
    Job job;
    Target target;
    Copy copy;
    Naming naming;
    std::string point;
    bool persistent;
};

// The jobs that sum what they copy, and so copy through memory.
bool summed(Target target, Copy copy) {
    return target == Target::Floppy && copy == Copy::Buffered;
}

std::string describe(const Scenario& s) {
    return std::string(s.job == Job::Split ? "Split" : "Join") + "_" +
           (s.target == Target::Directory ? "Directory" : "Floppy") + "_" +
           (s.copy == Copy::Kernel ? "KernelCopy" : "BufferedCopy") + "_" +
           (s.naming == Naming::Unnamed ? "Unnamed" : "HiddenName") + "_" + s.point + "_" +
           (s.persistent ? "FromNOn" : "Once");
}

std::string scenarioName(const ::testing::TestParamInfo<Scenario>& info) {
    return describe(info.param);
}

void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << describe(scenario);
}

// Every combination in which the job makes the call at all: fsync and the write-back only on a
// floppy (a removable medium), pread only in a split's read-back there; the in-kernel copy only
// when the kernel offers it, and then a split reads nothing itself (the kernel copies its data)
// and a join writes nothing itself.
std::vector<Scenario> scenarios() {
    std::vector<Scenario> all;
    for (Job job : {Job::Split, Job::Join}) {
        for (Target target : {Target::Directory, Target::Floppy}) {
            for (Copy copy : {Copy::Kernel, Copy::Buffered}) {
                for (Naming naming : {Naming::Unnamed, Naming::Hidden}) {
                    for (const auto& point : testing::faultPoints()) {
                        const std::string name = point.name;
                        if (((name == "fsync" || name == "sync_file_range") &&
                             target != Target::Floppy) ||
                            (name == "pread" && (job != Job::Split || !summed(target, copy))) ||
                            (copy == Copy::Kernel &&
                             name == (job == Job::Split ? "read" : "write")) ||
                            (name == "copy_file_range" && copy == Copy::Buffered)) {
                            continue;
                        }
                        for (bool persistent : {false, true}) {
                            all.push_back({job, target, copy, naming, name, persistent});
                        }
                    }
                }
            }
        }
    }
    return all;
}

struct Totals {
    long runs = 0;
    long faults = 0;
    long scenarios = 0;
};
Totals gTotals;

class TotalsReport : public ::testing::Environment {
  public:
    void TearDown() override {
        std::cout << "N-th call fault injection: " << gTotals.scenarios << " scenarios, "
                  << gTotals.runs << " runs, " << gTotals.faults << " injected failures\n";
    }
};
const auto* const gReport = ::testing::AddGlobalTestEnvironment(new TotalsReport);

class NthCallTest : public JobFixture, public ::testing::WithParamInterface<Scenario> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing::posixWrappersLoaded())
            << "libfiu's POSIX wrappers are not loaded; run this test through ctest, which "
               "preloads fiu_posix_preload.so";
        source = patternBytes(kSourceSize, 11);
        freeSpace.setFreeBytes(100000000);
        // The pieces a split without faults writes, the yardstick for every run.
        prepare();
        runJob(Job::Split);
        ASSERT_EQ(surface.caption(Control::Label9), "Done!");
        for (int number = 1; number <= kPieces; ++number) {
            reference.push_back(readFile(piecePath(number)));
        }
        if (summed()) {
            referenceList = readFile(listPath());
        }
        ASSERT_EQ(reference[0].size(), kPieceSize);
        ASSERT_EQ(reference[kPieces - 1].size(), 1000U);
    }

    fs::path home() const { return dir.path() / "home"; }
    fs::path floppy() const { return dir.path() / "floppy"; }
    fs::path pieceDir() const { return GetParam().target == Target::Floppy ? floppy() : home(); }
    std::string piecePath(int number) const {
        return (pieceDir() / ("breldo." + std::to_string(number))).string();
    }
    bool summed() const { return roruvez::summed(GetParam().target, GetParam().copy); }
    std::string listPath() const { return (pieceDir() / kChecksumFileName).string(); }

    // A fresh tree: the source and an unrelated file in home, and in the floppy drive an
    // unrelated file too; for a join, the piece set where the target wants it.
    void prepare() {
        fs::remove_all(home());
        fs::remove_all(floppy());
        fs::create_directories(home());
        fs::create_directories(floppy());
        writeFile((home() / "DATA.BIN").string(), source);
        writeFile((home() / "KEEP.TXT").string(), "keep me");
        writeFile((floppy() / "KEEP.TXT").string(), "keep me too");
        drives.bind('a', floppy().string());
        const bool onFloppy = GetParam().target == Target::Floppy;
        surface.check1 = onFloppy ? 1 : 0;
        surface.drive = "a: [" + floppy().string() + "]";
        surface.setText(Control::Text2, std::to_string(kPieceSize));
        // A user retries a disk that fails a lookup a few times, then gives up.
        surface.onMessageBox = [retries = 0](const testing::ShownBox& box) mutable {
            return box.prompt == "Verify the Disk." && ++retries > 3 ? std::optional(Answer::Cancel)
                                                                     : std::nullopt;
        };
        if (GetParam().job == Job::Join && !reference.empty()) {
            for (int number = 1; number <= kPieces; ++number) {
                writeFile(piecePath(number), reference[static_cast<std::size_t>(number - 1)]);
            }
            if (summed()) {
                writeFile(listPath(), referenceList);
            }
            if (!onFloppy) {
                // The restored file must not meet its own source.
                fs::rename(home() / "DATA.BIN", dir.path() / "DATA.ORIG");
            }
        }
    }

    void runJob(Job job) {
        surface.clearHistory();
        if (job == Job::Split) {
            state.FilePath = (home() / "DATA.BIN").string();
            SplitFile(state.FilePath, context, JobRequest{.checksums = summed()});
        } else {
            state.FilePath = piecePath(1);
            surface.setEnabled(Control::Command3, true);
            JoinFiles(state.FilePath, context);
        }
    }

    bool anyBoxCarries(const std::string& description) const {
        for (const std::string& prompt : surface.prompts()) {
            if (prompt.find(description) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    // What a split may leave after a failure: pieces 1 to m, every one complete, and with
    // checksums a list of pieces 1 to k <= m, as the complete list begins; nothing else new (no
    // short piece, no temporary file), nothing changed.
    void checkFailedSplit(const std::vector<std::string>& changes) {
        std::set<std::string> added;
        for (const std::string& change : changes) {
            ASSERT_EQ(change.rfind("added ", 0), 0U) << "an existing entry changed: " << change;
            added.insert(change.substr(6));
        }
        const std::string folder = fs::relative(pieceDir(), dir.path()).string() + "/";
        if (added.erase(folder + kChecksumFileName) != 0) {
            const std::string list = readFile(listPath());
            const auto lines = std::count(list.begin(), list.end(), '\n');
            EXPECT_TRUE(lines >= 1 && list.back() == '\n' && referenceList.starts_with(list) &&
                        added.count(folder + "breldo." +
                                    std::to_string(std::min<long>(lines, kPieces))) != 0)
                << "the checksum list is not that of pieces 1 to k: " << list;
        }
        int last = 0;
        while (added.count(folder + "breldo." + std::to_string(last + 1)) != 0) {
            ++last;
        }
        ASSERT_EQ(added.size(), static_cast<std::size_t>(last))
            << "a new entry that is not one of the consecutive pieces";
        for (int number = 1; number <= last; ++number) {
            EXPECT_TRUE(readFile(piecePath(number)) ==
                        reference[static_cast<std::size_t>(number - 1)])
                << "piece " << number << " is not complete";
        }
    }

    void checkCompleted(Job job, const std::vector<std::string>& changes) {
        EXPECT_EQ(surface.backColour(Control::Label3), kLightGreen);
        if (job == Job::Split) {
            EXPECT_EQ(changes.size(), static_cast<std::size_t>(kPieces + (summed() ? 1 : 0)));
            if (summed()) {
                EXPECT_EQ(readFile(listPath()), referenceList);
            }
            for (int number = 1; number <= kPieces; ++number) {
                EXPECT_TRUE(readFile(piecePath(number)) ==
                            reference[static_cast<std::size_t>(number - 1)])
                    << "piece " << number;
            }
        } else {
            const std::string folder = fs::relative(pieceDir(), dir.path()).string();
            EXPECT_EQ(changes, (std::vector<std::string>{"added " + folder + "/DATA.BIN"}));
            EXPECT_TRUE(readFile((pieceDir() / "DATA.BIN").string()) == source);
        }
    }

    std::string source;
    std::vector<std::string> reference;
    std::string referenceList;
};

TEST_P(NthCallTest, EveryFailureEndsCleanlyAndNothingIsLost) {
    const Scenario& scenario = GetParam();
    const testing::FaultPoint& point = faultPoint(scenario.point);
    const std::string description = describeErrno(point.errnum);
    ++gTotals.scenarios;

    long n = 1;
    for (; n <= kMaxRuns; ++n) {
        SCOPED_TRACE(std::string("failing call ") + std::to_string(n) + " of " + point.name);
        prepare();
        const TreeSnapshot before = TreeSnapshot::of(dir.path());
        const std::vector<int> descriptorsBefore = testing::openDescriptors();

        long calls = 0;
        long failed = 0;
        {
            std::optional<testing::NoKernelCopy> noKernelCopy;
            if (scenario.copy == Copy::Buffered) {
                noKernelCopy.emplace();
            }
            std::optional<testing::NoUnnamedFiles> noUnnamed;
            if (scenario.naming == Naming::Hidden) {
                noUnnamed.emplace();
            }
            NthCallFault fault(point, n, scenario.persistent);
            runJob(scenario.job);
            calls = fault.calls();
            failed = fault.failed();
        }
        // Taken before anything else closes the job's files: a failure leaves nothing behind.
        const std::vector<std::string> changes = TreeSnapshot::of(dir.path()).changesSince(before);
        ++gTotals.runs;
        gTotals.faults += failed;
        if (n == 1) {
            ASSERT_GT(calls, 0) << "the job never calls " << point.name;
        }

        // What the next job does first; after that nothing of this one may stay open, except
        // descriptors whose close the injection itself swallowed.
        state.closeAllFiles();
        for (int fd : testing::openDescriptors()) {
            if (std::find(descriptorsBefore.begin(), descriptorsBefore.end(), fd) ==
                descriptorsBefore.end()) {
                EXPECT_TRUE(failed > 0 && scenario.point == "close")
                    << "descriptor " << fd << " left open";
                ::close(fd);
            }
        }

        const bool done = surface.caption(Control::Label9) == "Done!";
        EXPECT_EQ(state.Outcome == JobOutcome::Done, done) << "the outcome and the caption differ";
        if (failed == 0) {
            // The job got through all of its calls: it must have completed, and correctly.
            EXPECT_TRUE(done) << "completed its calls but reported "
                              << surface.caption(Control::Label9);
            checkCompleted(scenario.job, changes);
            break;
        }
        if (done) {
            // Only a failed close of a file that was only read may go unnoticed; a drive that
            // failed a lookup was shown as "Verify the Disk." and the user's retry went through.
            EXPECT_TRUE(scenario.point == "close" || anyBoxCarries("Verify the Disk."))
                << "a failed " << point.name << " reported as done";
            checkCompleted(scenario.job, changes);
        } else {
            EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
            EXPECT_EQ(surface.backColour(Control::Label3), kLightRed);
            // A drive whose lookup fails says so in its own words.
            EXPECT_TRUE(anyBoxCarries(description) || anyBoxCarries("Verify the Disk."))
                << "no message box says \"" << description << "\"";
            if (scenario.job == Job::Split) {
                checkFailedSplit(changes);
            } else {
                EXPECT_TRUE(changes.empty()) << "the failed join left " << changes.front();
                EXPECT_TRUE(surface.enabled(Control::Command3));
            }
        }
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
    EXPECT_LE(n, kMaxRuns) << "the job did not complete within " << kMaxRuns << " calls";
}

INSTANTIATE_TEST_SUITE_P(Calls, NthCallTest, ::testing::ValuesIn(scenarios()), scenarioName);

// Reads and writes that return fewer bytes than asked are no failure: both jobs complete and the
// data is exact.
class ShortTransferTest : public JobFixture {};

TEST_F(ShortTransferTest, SplitAndJoinThroughShortReadsAndWrites) {
    ASSERT_TRUE(testing::posixWrappersLoaded());
    const std::string source = patternBytes(3 * 1024 * 1024 + 17, 5);
    const std::string path = dir.file("BIG.BIN");
    writeFile(path, source);
    surface.setText(Control::Text2, "1400000");
    {
        testing::NoKernelCopy buffered;
        testing::ShortTransfers shortTransfers;
        SplitFile(path, context);
    }
    ASSERT_EQ(surface.caption(Control::Label9), "Done!");
    fs::rename(path, dir.file("BIG.ORIG"));
    surface.setEnabled(Control::Command3, true);
    {
        testing::NoKernelCopy buffered;
        testing::ShortTransfers shortTransfers;
        JoinFiles(dir.file("breldo.1"), context);
    }
    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_TRUE(readFile(path) == source);
}

}  // namespace
}  // namespace roruvez

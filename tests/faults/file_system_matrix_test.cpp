// Every file system a stick, a phone or a share carries: kernel ones on loop images, FUSE ones as
// their drivers mount them, and a FUSE file system without hard links or rename flags of our own
// (no_link_fs.py). On each, roruvez-cli splits next to the source and joins back, splits onto a
// drive letter bound there, fills the disk, runs two splits at once and is killed mid-split; the
// bytes must be right, nothing replaced, and no name left beyond the source, the pieces and the
// restored file. Needs root (mounts) and the file systems' tools; skips with the reason otherwise.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "format/checksum_file.h"
#include "format/piece_format.h"
#include "mounts.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::listDir;
using testing::patternBytes;
using testing::readFile;
using testing::shell;
using testing::TempDir;
using testing::writeFile;

struct FileSystemKind {
    const char* name;
    const char* tool;  // must be on the PATH
    // Makes the file system at mountPoint from image (or the directory backing); true on success.
    std::string (*mountCommand)(const std::string& image, const std::string& backing,
                                const std::string& mountPoint);
    std::uint64_t imageBytes;  // 0: no image
};

// Quoted for the shell; built in place, clear of GCC 12's -Wrestrict at -O3.
std::string q(const std::string& text) {
    std::string quoted(1, '\'');
    quoted += text;
    quoted += '\'';
    return quoted;
}

const FileSystemKind kKinds[] = {
    {"vfat_fuse", "fusefat",
     [](const std::string& i, const std::string&, const std::string& m) {
         return "mkfs.vfat " + q(i) + " && fusefat -o rw+ " + q(i) + " " + q(m);
     },
     32 << 20},
    {"exfat_fuse", "mount.exfat-fuse",
     [](const std::string& i, const std::string&, const std::string& m) {
         // It wants a block device.
         return "mkfs.exfat " + q(i) + " && mount.exfat-fuse \"$(losetup -f --show " + q(i) +
                ")\" " + q(m);
     },
     32 << 20},
    {"ntfs_3g", "ntfs-3g",
     [](const std::string& i, const std::string&, const std::string& m) {
         return "mkfs.ntfs -F -Q " + q(i) + " && ntfs-3g " + q(i) + " " + q(m);
     },
     32 << 20},
    {"ext2_fuse2fs", "fuse2fs",
     [](const std::string& i, const std::string&, const std::string& m) {
         return "mkfs.ext2 -q -F " + q(i) + " && fuse2fs " + q(i) + " " + q(m);
     },
     32 << 20},
    {"bindfs", "bindfs",
     [](const std::string&, const std::string& b, const std::string& m) {
         return "bindfs " + q(b) + " " + q(m);
     },
     0},
    {"no_links_fuse", "/usr/bin/python3",
     [](const std::string&, const std::string& b, const std::string& m) {
         return "/usr/bin/python3 -c 'import fusepy' && /usr/bin/python3 " RORUVEZ_NO_LINK_FS " " +
                q(b) + " " + q(m);
     },
     0},
    {"btrfs", "mkfs.btrfs",
     [](const std::string& i, const std::string&, const std::string& m) {
         return "mkfs.btrfs -q -f " + q(i) + " && mount -o loop " + q(i) + " " + q(m);
     },
     160 << 20},
    {"xfs", "mkfs.xfs",
     [](const std::string& i, const std::string&, const std::string& m) {
         return "mkfs.xfs -q -f " + q(i) + " && mount -o loop " + q(i) + " " + q(m);
     },
     320 << 20},
    {"ext4", "mkfs.ext4",
     [](const std::string& i, const std::string&, const std::string& m) {
         return "mkfs.ext4 -q -F " + q(i) + " && mount -o loop " + q(i) + " " + q(m);
     },
     64 << 20},
    {"tmpfs", "mount",
     [](const std::string&, const std::string&, const std::string& m) {
         return "mount -t tmpfs -o size=64m tmpfs " + q(m);
     },
     0},
};

constexpr std::size_t kSourceBytes = 3000000;
constexpr const char* kPieceSize = "700000";

// Runs roruvez-cli with the arguments; its exit status.
int cli(const std::vector<std::string>& arguments) {
    std::string command = "'" RORUVEZ_CLI_PATH "'";
    for (const std::string& argument : arguments) {
        command += ' ';
        command += q(argument);
    }
    const int status = std::system((command + " </dev/null >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t startCli(const std::vector<std::string>& arguments) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>("roruvez-cli")};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        std::freopen("/dev/null", "r", stdin);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::execv(RORUVEZ_CLI_PATH, argv.data());
        ::_exit(127);
    }
    return child;
}

int waitFor(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> pieceNames(int count) {
    std::vector<std::string> names;
    for (int number = 1; number <= count; ++number) {
        names.push_back("breldo." + std::to_string(number));
    }
    return names;
}

class FileSystemMatrixTest : public ::testing::TestWithParam<FileSystemKind> {
  protected:
    void SetUp() override {
        if (!testing::runningAsRoot()) {
            GTEST_SKIP() << "mounting file systems needs root";
        }
        if (!shell(std::string("command -v ") + GetParam().tool)) {
            GTEST_SKIP() << GetParam().tool << " is not installed";
        }
        static const bool privateMounts = testing::enterPrivateMountNamespace();
        if (!privateMounts) {
            GTEST_SKIP() << "no private mount namespace here";
        }
        at = work.path() / "mnt";
        fs::create_directories(at);
        const fs::path backing = work.path() / "backing";
        fs::create_directories(backing);
        const fs::path image = work.path() / "disk.img";
        if (GetParam().imageBytes > 0) {
            ASSERT_TRUE(shell("truncate -s " + std::to_string(GetParam().imageBytes) + " " +
                              q(image.string())));
        } else {
            // What a FUSE file system passes through to: small enough to fill.
            ASSERT_TRUE(shell("mount -t tmpfs -o size=32m tmpfs " + q(backing.string())));
            backed = true;
        }
        if (!shell(GetParam().mountCommand(image.string(), (work.path() / "backing").string(),
                                           at.string()))) {
            GTEST_SKIP() << "the machine refused to mount " << GetParam().name;
        }
        mounted = true;
        fs::remove_all(at / "lost+found");
        const fs::path own = at / "work";
        fs::create_directory(own);
        at = own;
    }

    void TearDown() override {
        const std::string image = (work.path() / "disk.img").string();
        for (const fs::path& place : {work.path() / "mnt", work.path() / "backing"}) {
            if (place == work.path() / "mnt" ? mounted : backed) {
                shell("umount " + q(place.string()) + " || umount -l " + q(place.string()));
            }
        }
        shell("losetup -j " + q(image) + " | cut -d: -f1 | xargs -r losetup -d");
    }

    // What the directory holds, hidden names included: nothing may be left beyond these.
    void expectOnly(const fs::path& directory, std::vector<std::string> names) const {
        std::sort(names.begin(), names.end());
        EXPECT_EQ(listDir(directory), names);
    }

    TempDir work;
    fs::path at;
    bool mounted = false;
    bool backed = false;
};

TEST_P(FileSystemMatrixTest, SplitNextToTheSourceAndJoinBack) {
    const std::string source = patternBytes(kSourceBytes);
    writeFile((at / "S.BIN").string(), source);
    ASSERT_EQ(cli({"split", (at / "S.BIN").string(), "--size", kPieceSize, "--checksums", "--yes"}),
              0);
    fs::rename(at / "S.BIN", at / "ORIG.BIN");
    ASSERT_EQ(cli({"join", (at / "breldo.1").string(), "--yes"}), 0);

    EXPECT_TRUE(readFile((at / "S.BIN").string()) == source);
    EXPECT_TRUE(testing::sha256sumPasses(at.string()));
    std::vector<std::string> names = pieceNames(5);
    names.insert(names.end(), {"ORIG.BIN", "S.BIN", kChecksumFileName});
    expectOnly(at, names);
}

TEST_P(FileSystemMatrixTest, SplitOntoADriveLetterBoundThere) {
    TempDir home;
    const std::string source = patternBytes(kSourceBytes, 2);
    writeFile(home.file("S.BIN"), source);
    writeFile((at / "breldo.3").string(), "was here first");
    ASSERT_EQ(cli({"split", home.file("S.BIN"), "--size", kPieceSize, "--drive",
                   "j:=" + at.string(), "--save-to", "j:", "--yes"}),
              1);
    EXPECT_EQ(readFile((at / "breldo.3").string()), "was here first") << "a file was replaced";
    expectOnly(at, pieceNames(3));

    fs::remove_all(at);
    fs::create_directory(at);
    ASSERT_EQ(cli({"split", home.file("S.BIN"), "--size", kPieceSize, "--drive",
                   "j:=" + at.string(), "--save-to", "j:", "--yes"}),
              0);
    std::string joined = readFile((at / "breldo.1").string()).substr(160);
    for (int number = 2; number <= 5; ++number) {
        joined += readFile((at / ("breldo." + std::to_string(number))).string());
    }
    EXPECT_TRUE(joined == source);
    expectOnly(at, pieceNames(5));
}

TEST_P(FileSystemMatrixTest, AFullDiskLeavesCompletePiecesAndNothingElse) {
    TempDir home;
    writeFile(home.file("S.BIN"), patternBytes(kSourceBytes, 3));
    // Leave room for about two pieces; root may fill the blocks kept for root too.
    struct statvfs room {};
    ASSERT_EQ(::statvfs(at.c_str(), &room), 0);
    const auto free =
        static_cast<std::int64_t>(room.f_bfree) * static_cast<std::int64_t>(room.f_frsize);
    const std::int64_t filler = free - 1600000;
    ASSERT_GT(filler, 0);
    // Free space is counted loosely on some (btrfs, fuse2fs): a filler that hits the end is as
    // good.
    shell("dd if=/dev/zero of=" + q((at / "FILL").string()) +
          " bs=1M iflag=count_bytes count=" + std::to_string(filler));

    EXPECT_EQ(cli({"split", home.file("S.BIN"), "--size", kPieceSize, "--drive",
                   "j:=" + at.string(), "--save-to", "j:", "--yes"}),
              1);

    std::vector<std::string> names{"FILL"};
    for (const std::string& name : listDir(at)) {
        if (name != "FILL") {
            names.push_back(name);
            ASSERT_TRUE(name.starts_with("breldo.")) << name << " left behind";
            EXPECT_EQ(fs::file_size(at / name), 700000U) << name << " is not complete";
        }
    }
    expectOnly(at, names);
}

TEST_P(FileSystemMatrixTest, TwoSplitsAtOnceLeaveOneWholeSet) {
    writeFile((at / "A.BIN").string(), patternBytes(kSourceBytes, 4));
    writeFile((at / "B.BIN").string(), patternBytes(kSourceBytes, 5));
    const pid_t first = startCli({"split", (at / "A.BIN").string(), "--size", kPieceSize, "--yes"});
    const pid_t second =
        startCli({"split", (at / "B.BIN").string(), "--size", kPieceSize, "--yes"});
    const int a = waitFor(first);
    const int b = waitFor(second);

    EXPECT_TRUE((a == 0) != (b == 0)) << "statuses " << a << " and " << b;
    const std::string winner = a == 0 ? "A.BIN" : "B.BIN";
    fs::rename(at / winner, at / "WINNER");
    ASSERT_EQ(cli({"join", (at / "breldo.1").string(), "--yes"}), 0);
    EXPECT_TRUE(readFile((at / winner).string()) == readFile((at / "WINNER").string()));
    std::vector<std::string> names = pieceNames(5);
    names.insert(names.end(), {winner, "WINNER", a == 0 ? "B.BIN" : "A.BIN"});
    expectOnly(at, names);
}

// Killed once piece 2 stands: at most a hidden name is left, and the next job there removes it.
TEST_P(FileSystemMatrixTest, AKilledSplitLeavesNothingTheNextJobDoesNotClear) {
    // Sixteen whole pieces when complete (piece 1 holds the header): a fast medium may finish the
    // split before the kill lands, and the set is then whole.
    const std::string source =
        patternBytes(std::size_t{16} * 500000 - static_cast<std::size_t>(kHeaderLength), 6);
    writeFile((at / "S.BIN").string(), source);
    const pid_t job = startCli({"split", (at / "S.BIN").string(), "--size", "500000", "--yes"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(at / "breldo.2") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ::kill(job, SIGKILL);
    waitFor(job);

    int pieces = 0;
    std::vector<std::string> reserved;
    for (const std::string& name : listDir(at)) {
        if (name.starts_with("breldo.") && fs::file_size(at / name) == 0) {
            reserved.push_back(name);
            fs::remove(at / name);
        } else if (name.starts_with("breldo.")) {
            ++pieces;
            EXPECT_EQ(fs::file_size(at / name), 500000U) << name << " is not complete";
        }
    }
    // Where a name is reserved before the output is renamed onto it (no links, no rename flags),
    // a kill between the two leaves the name empty: only the one after the last piece.
    EXPECT_TRUE(reserved.empty() ||
                reserved == std::vector<std::string>{"breldo." + std::to_string(pieces + 1)})
        << ::testing::PrintToString(reserved);
    // The next job in this directory: the set joined back as far as it goes. Where locks may not
    // reach every writer (FUSE) it clears only what was left unchanged for an hour.
    for (const std::string& name : listDir(at)) {
        if (name.starts_with(".roruvez-")) {
            ASSERT_TRUE(shell("touch -d '2 hours ago' " + q((at / name).string()))) << name;
        }
    }
    fs::rename(at / "S.BIN", at / "ORIG.BIN");
    EXPECT_EQ(cli({"join", (at / "breldo.1").string(), "--yes"}), pieces == 16 ? 0 : 3);
    std::vector<std::string> names = pieceNames(pieces);
    names.insert(names.end(), {"ORIG.BIN", "S.BIN"});
    expectOnly(at, names);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FileSystemMatrixTest, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<FileSystemKind>& kind) {
                             return std::string(kind.param.name);
                         });

}  // namespace
}  // namespace roruvez

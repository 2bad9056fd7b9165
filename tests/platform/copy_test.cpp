#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/error.h"
#include "platform/posix_file.h"
#include "support/fakes.h"

namespace {

// While set, the kernel says it cannot copy, as it does between some file systems.
bool gKernelCannotCopy = false;
// While set, each kernel copy takes this long more, as on a slow share.
std::chrono::milliseconds gKernelDelay{0};

}  // namespace

extern "C" ssize_t copy_file_range(int inFd, off64_t* inOffset, int outFd, off64_t* outOffset,
                                   size_t length, unsigned int flags) {
    using Real = ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned int);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "copy_file_range"));
    if (gKernelCannotCopy) {
        errno = EXDEV;
        return -1;
    }
    std::this_thread::sleep_for(gKernelDelay);
    return real(inFd, inOffset, outFd, outOffset, length, flags);
}

namespace roruvez {
namespace {

using testing::patternBytes;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

constexpr std::int64_t kMebibyte = 1 << 20;

class CopyTest : public ::testing::Test {
  protected:
    std::unique_ptr<OpenFile> open(const std::string& path, int flags) {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
        if (fd < 0) {
            ADD_FAILURE() << "cannot open " << path;
        }
        return std::make_unique<PosixFile>(fd, path);
    }
    std::unique_ptr<OpenFile> openRead(const std::string& path) { return open(path, O_RDONLY); }
    std::unique_ptr<OpenFile> create(const std::string& path) {
        return open(path, O_WRONLY | O_CREAT | O_EXCL);
    }

    void TearDown() override {
        gKernelCannotCopy = false;
        gKernelDelay = {};
    }

    // Copies count bytes of a fresh file to a new one; returns the sizes of its blocks.
    std::vector<std::int64_t> copyBlocks(std::int64_t count) {
        writeFile(dir.file("in"), patternBytes(static_cast<std::size_t>(count), 3));
        const std::string outPath = dir.file("out" + std::to_string(++copies));
        auto in = openRead(dir.file("in"));
        auto out = create(outPath);
        std::vector<std::int64_t> blocks;
        std::int64_t last = 0;
        in->copyTo(*out, count, buffer, [&](std::int64_t done) {
            blocks.push_back(done - last);
            last = done;
        });
        out->close();
        EXPECT_EQ(readFile(outPath), readFile(dir.file("in")));
        return blocks;
    }

    TempDir dir;
    CopyBuffer buffer;
    int copies = 0;
};

TEST_F(CopyTest, EveryRangeArrivesExactAndTheSourceStandsAfterItWhicheverWayCopies) {
    const std::string bytes = patternBytes(static_cast<std::size_t>(9 * kMebibyte + 333), 5);
    writeFile(dir.file("in"), bytes);
    struct Case {
        std::int64_t offset;
        std::int64_t count;
    };
    const Case cases[] = {
        {0, 1}, {160, 3000}, {160, 1399840}, {4095, 4 * kMebibyte + 2}, {0, 9 * kMebibyte + 333},
    };
    int run = 0;
    for (const bool kernelCannotCopy : {false, true}) {
        gKernelCannotCopy = kernelCannotCopy;
        buffer = {};
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(kernelCannotCopy ? "buffer" : "kernel") + " offset " +
                         std::to_string(c.offset) + " count " + std::to_string(c.count));
            const std::string outPath = dir.file("out" + std::to_string(++run));
            auto in = openRead(dir.file("in"));
            std::vector<std::byte> skipped(static_cast<std::size_t>(c.offset));
            in->readExact(skipped.data(), skipped.size());
            auto out = create(outPath);
            out->write(reinterpret_cast<const std::byte*>("HDR"), 3);

            std::vector<std::int64_t> reported;
            in->copyTo(*out, c.count, buffer, [&](std::int64_t done) { reported.push_back(done); });
            out->close();

            const std::string copied = readFile(outPath);
            EXPECT_EQ(copied.size(), static_cast<std::size_t>(c.count + 3));
            EXPECT_TRUE(copied == "HDR" + bytes.substr(static_cast<std::size_t>(c.offset),
                                                       static_cast<std::size_t>(c.count)));
            ASSERT_FALSE(reported.empty());
            EXPECT_EQ(reported.back(), c.count);
            EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
            // Reported after every block, so the window keeps its events flowing.
            std::int64_t last = 0;
            for (const std::int64_t done : reported) {
                EXPECT_LE(done - last, static_cast<std::int64_t>(kLargestCopyBlock));
                last = done;
            }

            const std::size_t next = static_cast<std::size_t>(c.offset + c.count);
            std::byte after{};
            if (next < bytes.size()) {
                in->readExact(&after, 1);
                EXPECT_EQ(static_cast<char>(after), bytes[next]);
            } else {
                EXPECT_EQ(in->read(&after, 1), 0U);
            }
        }
        // Only where the kernel cannot copy does the buffer, and it never grows past a block.
        EXPECT_EQ(buffer.bytes.empty(), !kernelCannotCopy);
        EXPECT_LE(buffer.bytes.size(), kCopyBlock);
    }
}

TEST_F(CopyTest, ASourceThatShrinksWhileCopiedFailsEitherWay) {
    const std::int64_t size = 3 * kMebibyte;
    struct Case {
        std::int64_t fileSize;
        std::int64_t count;
        std::int64_t shrinkTo;  // -1: not during the copy
    };
    const Case cases[] = {
        {size, size + 1, -1},     // asked for more than there is
        {size, size, kMebibyte},  // cut after the first block
        {size, size, 0},          // emptied
        {50000, 100000, -1},      // less than a block
    };
    int run = 0;
    for (const bool kernelCannotCopy : {false, true}) {
        gKernelCannotCopy = kernelCannotCopy;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(kernelCannotCopy ? "buffer" : "kernel") + " shrink to " +
                         std::to_string(c.shrinkTo));
            writeFile(dir.file("in"), patternBytes(static_cast<std::size_t>(c.fileSize), 9));
            auto in = openRead(dir.file("in"));
            auto out = create(dir.file("out" + std::to_string(++run)));
            // Each copy starts from the first block size, so the first block is not the whole.
            buffer = {};
            bool shrunk = false;
            try {
                in->copyTo(*out, c.count, buffer, [&](std::int64_t) {
                    if (c.shrinkTo >= 0 && !shrunk) {
                        shrunk = true;
                        ASSERT_EQ(::truncate(dir.file("in").c_str(), c.shrinkTo), 0);
                    }
                });
                ADD_FAILURE() << "copied past the end";
            } catch (const PlatformError& failure) {
                EXPECT_STREQ(failure.what(), "Input past end of file");
                EXPECT_EQ(failure.path(), dir.file("in"));
            }
        }
    }
}

TEST_F(CopyTest, WhatTheKernelCannotCopyGoesThroughTheBuffer) {
    auto in = openRead("/dev/zero");
    auto out = create(dir.file("zeros"));
    const std::int64_t count = (5 << 20) + 7;
    std::int64_t last = 0;
    in->copyTo(*out, count, buffer, [&](std::int64_t done) { last = done; });
    out->close();
    EXPECT_EQ(last, count);
    EXPECT_TRUE(readFile(dir.file("zeros")) == std::string(static_cast<std::size_t>(count), '\0'));
    // The last block went through the buffer.
    EXPECT_EQ(buffer.bytes.size(), 7U);
}

TEST_F(CopyTest, BlocksGrowWhileQuickAndShrinkAtOnceWhenTheCopySlows) {
    const auto kFirst = static_cast<std::int64_t>(kCopyBlock);
    const auto kLargest = static_cast<std::int64_t>(kLargestCopyBlock);
    // At the page cache's pace the blocks grow, so there are fewer progress calls.
    const std::int64_t quick = 48 * kFirst;
    const std::vector<std::int64_t> grown = copyBlocks(quick);
    EXPECT_EQ(grown.front(), kFirst);
    EXPECT_LT(static_cast<std::int64_t>(grown.size()), quick / kFirst);
    EXPECT_GT(buffer.blockSize, kCopyBlock);

    // A slow medium halves them block by block, down to the first size and no further, and the
    // next copy starts where the last one ended.
    buffer.blockSize = kLargestCopyBlock;
    gKernelDelay = std::chrono::milliseconds(20);
    std::vector<std::int64_t> expected;
    for (std::int64_t block = kLargest; block >= kFirst; block /= 2) {
        expected.push_back(block);
    }
    expected.push_back(kFirst);
    const std::vector<std::int64_t> slowed = copyBlocks(2 * kLargest);
    EXPECT_EQ(slowed, expected);
    EXPECT_EQ(buffer.blockSize, kCopyBlock);
}

}  // namespace
}  // namespace roruvez

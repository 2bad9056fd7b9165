#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include "platform/copy_choice.h"
#include "platform/error.h"
#include "platform/posix_file.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

using testing::patternBytes;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

constexpr std::int64_t kMebibyte = 1 << 20;

TEST(CopyChoiceTest, BothWaysInTurnThenTheFasterWithAProbeOfTheOtherNowAndThen) {
    constexpr std::size_t kWhole = 1000;
    for (const CopyWay faster : {CopyWay::Buffer, CopyWay::Kernel}) {
        SCOPED_TRACE(faster == CopyWay::Kernel ? "kernel faster" : "buffer faster");
        const CopyWay slower = faster == CopyWay::Kernel ? CopyWay::Buffer : CopyWay::Kernel;
        CopyChoice choice;
        int timed[2] = {0, 0};
        std::int64_t stretch = 1;
        // Outliers either way must not decide: every fourth block of the slower way is the
        // best time of all, every fourth of the faster way the worst.
        const auto time = [&](CopyWay way) -> std::int64_t {
            const bool odd = timed[static_cast<int>(way)]++ % 4 == 3;
            return stretch * (way == faster ? (odd ? 900 : 100) : (odd ? 10 : 150));
        };
        const auto copyBlocks = [&](long count) {
            int probes = 0;
            for (long i = 0; i < count; ++i) {
                const CopyWay way = choice.next();
                probes += way == slower ? 1 : 0;
                choice.took(way, kWhole, kWhole, time(way));
            }
            return probes;
        };

        CopyWay expected = CopyWay::Buffer;
        for (int i = 0; i < CopyChoice::kTries; ++i) {
            const CopyWay way = choice.next();
            EXPECT_EQ(way, expected);
            expected = way == CopyWay::Buffer ? CopyWay::Kernel : CopyWay::Buffer;
            if (i == 4) {
                // A short block takes its turn; its time, however good, is not compared.
                choice.took(way, kWhole / 3, kWhole, 1);
            } else {
                choice.took(way, kWhole, kWhole, time(way));
            }
        }
        copyBlocks(2L * CopyChoice::kTries);

        EXPECT_EQ(copyBlocks(3 * CopyChoice::kProbeEvery), 3);
        // A busy spell stretches both ways alike and changes nothing.
        stretch = 20;
        EXPECT_EQ(copyBlocks(3 * CopyChoice::kProbeEvery), 3);
        stretch = 1;

        // The faster way slows down for good: the probes find the other way now better, and
        // only probes go the old way.
        const auto slowedDown = [&](long count) {
            int oldWay = 0;
            for (long i = 0; i < count; ++i) {
                const CopyWay way = choice.next();
                oldWay += way == faster ? 1 : 0;
                choice.took(way, kWhole, kWhole, way == faster ? 5000 : 150);
            }
            return oldWay;
        };
        slowedDown(8 * CopyChoice::kProbeEvery);
        EXPECT_EQ(slowedDown(3 * CopyChoice::kProbeEvery), 3);
    }
}

TEST(CopyChoiceTest, WithoutTheKernelEveryBlockGoesThroughTheBufferForThatPairOnly) {
    CopyChoices choices;
    choices.between(1, 2).refuseKernel();
    for (int i = 0; i < 3 * CopyChoice::kTries; ++i) {
        EXPECT_EQ(choices.between(1, 2).next(), CopyWay::Buffer);
        choices.between(1, 2).took(CopyWay::Buffer, 10, 10, 1000);
    }
    CopyChoice& back = choices.between(2, 1);
    EXPECT_EQ(back.next(), CopyWay::Buffer);
    back.took(CopyWay::Buffer, 10, 10, 1000);
    EXPECT_EQ(back.next(), CopyWay::Kernel);
}

class CopyTest : public ::testing::Test {
  protected:
    std::unique_ptr<OpenFile> open(const std::string& path, int flags) {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
        if (fd < 0) {
            ADD_FAILURE() << "cannot open " << path;
        }
        return std::make_unique<PosixFile>(fd, path, choices);
    }
    std::unique_ptr<OpenFile> openRead(const std::string& path) { return open(path, O_RDONLY); }
    std::unique_ptr<OpenFile> create(const std::string& path) {
        return open(path, O_WRONLY | O_CREAT | O_EXCL);
    }

    // Makes one way the faster for the temporary directory's file system: all blocks but the
    // probes of the other go that way.
    void settleOn(CopyWay way) {
        struct stat info {};
        ASSERT_EQ(::stat(dir.path().c_str(), &info), 0);
        CopyChoice& choice = choices.between(info.st_dev, info.st_dev);
        for (int i = 0; i < 4 * CopyChoice::kTries; ++i) {
            const CopyWay next = choice.next();
            choice.took(next, 1, 1, next == way ? 1 : 2);
        }
    }

    TempDir dir;
    CopyChoices choices;
    std::vector<std::byte> buffer;
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
    // Undecided first: the first blocks alternate between the two ways.
    for (const std::optional<CopyWay> way :
         {std::optional<CopyWay>{}, std::optional{CopyWay::Buffer},
          std::optional{CopyWay::Kernel}}) {
        if (way) {
            choices = CopyChoices{};
            settleOn(*way);
        }
        for (const auto& c : cases) {
            SCOPED_TRACE("way " + std::to_string(way ? static_cast<int>(*way) : -1) + " offset " +
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
            EXPECT_GE(static_cast<std::int64_t>(reported.size()),
                      c.count / static_cast<std::int64_t>(kCopyBlock));

            const std::size_t next = static_cast<std::size_t>(c.offset + c.count);
            std::byte after{};
            if (next < bytes.size()) {
                in->readExact(&after, 1);
                EXPECT_EQ(static_cast<char>(after), bytes[next]);
            } else {
                EXPECT_EQ(in->read(&after, 1), 0U);
            }
        }
    }
    EXPECT_LE(buffer.size(), kCopyBlock);
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
    for (const CopyWay way : {CopyWay::Buffer, CopyWay::Kernel}) {
        choices = CopyChoices{};
        settleOn(way);
        for (const auto& c : cases) {
            SCOPED_TRACE("way " + std::to_string(static_cast<int>(way)) + " shrink to " +
                         std::to_string(c.shrinkTo));
            writeFile(dir.file("in"), patternBytes(static_cast<std::size_t>(c.fileSize), 9));
            auto in = openRead(dir.file("in"));
            auto out = create(dir.file("out" + std::to_string(++run)));
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
    settleOn(CopyWay::Kernel);
    auto in = openRead("/dev/zero");
    auto out = create(dir.file("zeros"));
    const std::int64_t count = (5 << 20) + 7;
    std::int64_t last = 0;
    in->copyTo(*out, count, buffer, [&](std::int64_t done) { last = done; });
    out->close();
    EXPECT_EQ(last, count);
    EXPECT_TRUE(readFile(dir.file("zeros")) == std::string(static_cast<std::size_t>(count), '\0'));
    // The last block went through the buffer.
    EXPECT_EQ(buffer.size(), 7U);
}

}  // namespace
}  // namespace roruvez

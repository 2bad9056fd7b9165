#include "platform/copy.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/error.h"
#include "platform/file_system.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

using testing::FakeDriveTable;
using testing::patternBytes;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

class CopyTest : public ::testing::Test {
  protected:
    TempDir dir;
    FakeDriveTable drives;
    LinuxFileSystem files{drives};
    std::vector<std::byte> buffer;
};

TEST_F(CopyTest, EveryRangeArrivesExactAndTheSourceStandsAfterIt) {
    const std::int64_t mebibyte = 1 << 20;
    const std::string bytes = patternBytes(static_cast<std::size_t>(9 * mebibyte + 333), 5);
    writeFile(dir.file("in"), bytes);
    struct Case {
        std::int64_t offset;
        std::int64_t count;
    };
    // Small ranges go through the kernel's copy, large ones through mapped windows, whatever
    // the offset's place in a page.
    const Case cases[] = {
        {0, 1},
        {160, 3000},
        {160, 1399840},
        {4095, 4 * mebibyte + 2},
        {4097, 8 * mebibyte + 1},
        {0, 9 * mebibyte + 333},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE("offset " + std::to_string(c.offset) + " count " + std::to_string(c.count));
        const std::string outPath = dir.file("out" + std::to_string(++run));
        auto in = files.openRead(dir.file("in"));
        std::vector<std::byte> skipped(static_cast<std::size_t>(c.offset));
        readExact(*in, skipped.data(), skipped.size());
        auto out = files.createNew(outPath);
        out->write(reinterpret_cast<const std::byte*>("HDR"), 3);

        std::vector<std::int64_t> reported;
        copyExact(*in, *out, c.count, buffer, [&](std::int64_t done) { reported.push_back(done); });
        out->close();

        const std::string copied = readFile(outPath);
        EXPECT_EQ(copied.size(), static_cast<std::size_t>(c.count + 3));
        EXPECT_TRUE(copied == "HDR" + bytes.substr(static_cast<std::size_t>(c.offset),
                                                   static_cast<std::size_t>(c.count)));
        ASSERT_FALSE(reported.empty());
        EXPECT_EQ(reported.back(), c.count);
        EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
        // Reported often enough for the window to keep its events flowing.
        EXPECT_GE(static_cast<std::int64_t>(reported.size()), c.count / (8 * mebibyte));

        const std::size_t next = static_cast<std::size_t>(c.offset + c.count);
        std::byte after{};
        if (next < bytes.size()) {
            readExact(*in, &after, 1);
            EXPECT_EQ(static_cast<char>(after), bytes[next]);
        } else {
            EXPECT_EQ(in->read(&after, 1), 0U);
        }
    }
    EXPECT_LE(buffer.size(), std::size_t{1} << 20);
}

TEST_F(CopyTest, ASourceThatShrinksWhileCopiedFailsWithoutACrash) {
    const std::int64_t size = 12 << 20;
    struct Case {
        std::int64_t fileSize;
        std::int64_t count;
        std::int64_t shrinkTo;  // -1: not during the copy
    };
    const Case cases[] = {
        {size, size + 1, -1},   // asked for more than there is
        {size, size, 5 << 20},  // cut after the first window
        {size, size, 0},        // emptied
        {50000, 100000, -1},    // a small range, copied by the kernel
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE("shrink to " + std::to_string(c.shrinkTo));
        writeFile(dir.file("in"), patternBytes(static_cast<std::size_t>(c.fileSize), 9));
        auto in = files.openRead(dir.file("in"));
        auto out = files.createNew(dir.file("out" + std::to_string(++run)));
        bool shrunk = false;
        try {
            copyExact(*in, *out, c.count, buffer, [&](std::int64_t) {
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

TEST_F(CopyTest, WhatCannotBeMappedGoesThroughTheBuffer) {
    auto in = files.openRead("/dev/zero");
    auto out = files.createNew(dir.file("zeros"));
    const std::int64_t count = (5 << 20) + 7;
    std::int64_t last = 0;
    copyExact(*in, *out, count, buffer, [&](std::int64_t done) { last = done; });
    out->close();
    EXPECT_EQ(last, count);
    EXPECT_TRUE(readFile(dir.file("zeros")) == std::string(static_cast<std::size_t>(count), '\0'));
    // The last block went through the buffer.
    EXPECT_EQ(buffer.size(), 7U);
}

}  // namespace
}  // namespace roruvez

#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/error.h"
#include "support/fakes.h"
#include "text/code_page.h"

namespace roruvez {
namespace {

using testing::FakeDriveTable;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

class FileSystemTest : public ::testing::Test {
  protected:
    FileSystemTest() { drives.bind('d', dir.path().string()); }

    // Runs body with the working directory changed, and changes it back.
    template <typename Body>
    void inDirectory(const std::filesystem::path& where, Body body) {
        const auto saved = std::filesystem::current_path();
        std::filesystem::current_path(where);
        body();
        std::filesystem::current_path(saved);
    }

    TempDir dir;
    FakeDriveTable drives;
    FileSystem files{drives};
};

TEST_F(FileSystemTest, DriveNamesResolveAgainstTheDrivesCurrentDirectory) {
    const std::string root = dir.path().string();
    EXPECT_EQ(files.resolve("d:breldo.1"), root + "/breldo.1");
    EXPECT_EQ(files.resolve("D:breldo.1"), root + "/breldo.1");
    EXPECT_EQ(files.resolve("d:/sub/x"), root + "/sub/x");
    EXPECT_EQ(files.resolve("/plain/path"), "/plain/path");

    // The working directory counts only for the drive that holds it.
    std::filesystem::create_directory(dir.path() / "sub");
    inDirectory(dir.path() / "sub", [&] {
        EXPECT_EQ(files.resolve("d:breldo.1"), root + "/sub/breldo.1");
        EXPECT_EQ(files.resolve("c:x"), "/x");
    });

    try {
        files.resolve("a:breldo.1");
        ADD_FAILURE() << "an empty drive resolved";
    } catch (const PlatformError& failure) {
        EXPECT_STREQ(failure.what(), "Drive not ready");
    }
    EXPECT_THROW(files.resolve("q:breldo.1"), PlatformError);
}

// A name the user chose is the file's own name, blanks at its end included: "x " is not "x".
TEST_F(FileSystemTest, ANameIsUsedExactlyAsGivenTrailingBlanksIncluded) {
    EXPECT_EQ(files.resolve("/a b /FILE.TXT    "), "/a b /FILE.TXT    ");
    EXPECT_EQ(files.resolve("d:FILE.TXT  "), dir.file("FILE.TXT  "));

    writeFile(dir.file("x"), "plain");
    EXPECT_FALSE(files.entryExists(dir.file("x ")));
    EXPECT_FALSE(files.findFile(dir.file("x ")));
    auto created = files.createOutput(dir.file("x "));
    created->publish();
    EXPECT_EQ(readFile(dir.file("x")), "plain");
    EXPECT_EQ(files.fileLength(dir.file("x ")), 0);
    writeFile(dir.file("   "), "blanks");
    EXPECT_TRUE(files.findFile(dir.file("   ")));
    EXPECT_FALSE(files.isDirectory(dir.file("   ")));
}

TEST_F(FileSystemTest, EveryKindOfEntryExistsButOnlyOrdinaryFilesAreFound) {
    writeFile(dir.file("plain"), "x");
    writeFile(dir.file(".hidden"), "x");
    std::filesystem::create_directory(dir.file("folder"));
    std::filesystem::create_symlink(dir.file("nowhere"), dir.file("dangling"));
    std::filesystem::create_symlink(dir.file("plain"), dir.file("link"));
    for (const char* name : {"plain", ".hidden", "folder", "dangling", "link"}) {
        EXPECT_TRUE(files.entryExists(dir.file(name))) << name;
    }
    EXPECT_FALSE(files.entryExists(dir.file("absent")));
    EXPECT_TRUE(files.findFile(dir.file("plain")));
    // A link is not an ordinary file, whatever it leads to.
    for (const char* name : {".hidden", "folder", "dangling", "link", "absent"}) {
        EXPECT_FALSE(files.findFile(dir.file(name))) << name;
    }
    EXPECT_FALSE(files.findFile("/dev/null"));
}

TEST_F(FileSystemTest, AMissingDirectoryIsAFailedLookupNotAnAbsentFile) {
    EXPECT_THROW(files.entryExists(dir.file("gone/breldo.1")), PlatformError);
    writeFile(dir.file("file"), "x");
    EXPECT_THROW(files.entryExists(dir.file("file/breldo.1")), PlatformError);
}

// Only an ordinary file is opened for reading, judged on what was opened: a FIFO or a device
// could hold a read for ever.
TEST_F(FileSystemTest, OnlyOrdinaryFilesAreOpenedForReading) {
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    writeFile(dir.file("plain"), "x");
    std::filesystem::create_symlink(dir.file("plain"), dir.file("link"));
    for (const std::string& name : {fifo, std::string("/dev/zero"), dir.path().string()}) {
        EXPECT_THROW(files.openRead(name), PlatformError) << name;
    }
    try {
        files.openRead(fifo);
    } catch (const PlatformError& failure) {
        EXPECT_STREQ(failure.what(), "Not an ordinary file");
    }
    EXPECT_NO_THROW(files.openRead(dir.file("link")));
    EXPECT_THROW(files.openRead(dir.file("link"), FileSystem::Links::Refuse), PlatformError);
    EXPECT_NO_THROW(files.openRead(dir.file("plain"), FileSystem::Links::Refuse));
}

TEST(CodePage, WindowsTwelveFiftyTwoBothWays) {
    EXPECT_EQ(toCodePage("REPORT.DOC"), "REPORT.DOC");
    EXPECT_EQ(toCodePage("\xC3\xA9t\xC3\xA9"), "\xE9t\xE9");
    EXPECT_EQ(toCodePage("\xE2\x82\xAC"), "\x80");
    EXPECT_EQ(toCodePage("\xE6\x97\xA5x"), "?x");
    EXPECT_EQ(toCodePage("\xFF"), "?");
    EXPECT_EQ(fromCodePage("\xE9t\xE9\x80"), "\xC3\xA9t\xC3\xA9\xE2\x82\xAC");
    // Undefined bytes survive a round trip.
    EXPECT_EQ(toCodePage(fromCodePage("\x81\x8D\x8F\x90\x9D")), "\x81\x8D\x8F\x90\x9D");
    std::string all;
    for (int value = 0; value < 256; ++value) {
        all.push_back(static_cast<char>(value));
    }
    EXPECT_EQ(toCodePage(fromCodePage(all)), all);
}

}  // namespace
}  // namespace roruvez

#include "platform/directory_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/error.h"
#include "platform/paths.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

TEST(DirectoryListingTest, EveryNameIsListedAsItsBytesWithWhatItLeadsTo) {
    const TempDir dir;
    writeFile(dir.file("a\xFF.bin"), "x");
    writeFile(dir.file(".hidden"), "x");
    writeFile(dir.file("no dot"), "x");
    fs::create_directory(dir.file("folder\xFE"));
    fs::create_directory_symlink(dir.file("folder\xFE"), dir.file("to folder"));
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling"));

    std::vector<DirectoryEntry> entries = listDirectory(dir.path().string());
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    std::vector<std::pair<std::string, bool>> seen;
    seen.reserve(entries.size());
    for (const DirectoryEntry& entry : entries) {
        seen.emplace_back(entry.name, entry.directory);
    }
    const std::vector<std::pair<std::string, bool>> expected = {
        {".hidden", false},   {"a\xFF.bin", false}, {"dangling", false},
        {"folder\xFE", true}, {"no dot", false},    {"to folder", true},
    };
    EXPECT_EQ(seen, expected);

    EXPECT_EQ(entryKind(dir.file("a\xFF.bin")), EntryKind::Other);
    EXPECT_EQ(entryKind(dir.file("to folder")), EntryKind::Directory);
    EXPECT_EQ(entryKind(dir.file("dangling")), EntryKind::Other);
    EXPECT_EQ(entryKind(dir.file("a\xFF.bin/x")), EntryKind::None);
    EXPECT_EQ(entryKind(dir.file("a.bin")), EntryKind::None);

    try {
        listDirectory(dir.file("a\xFF.bin"));
        ADD_FAILURE() << "a file listed as a directory";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.errnum(), ENOTDIR);
        EXPECT_EQ(error.path(), dir.file("a\xFF.bin"));
    }
    EXPECT_THROW(listDirectory(dir.file("gone")), PlatformError);
}

TEST(DirectoryListingTest, CleanPathWorksOutDotsByNamesAndKeepsBytes) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/./b/../c/", "/a/c"},   {"/a//b", "/a/b"}, {"/..", "/"}, {"/", "/"},
        {"/x\xFF/./y", "/x\xFF/y"}, {"/a/b/..", "/a"},
    };
    for (const auto& [path, clean] : cases) {
        EXPECT_EQ(cleanPath(path), clean) << path;
    }
}

}  // namespace
}  // namespace roruvez

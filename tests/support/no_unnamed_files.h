#pragma once

#include <gtest/gtest.h>

#include <string>

namespace roruvez::testing {

// Set in the environment, it makes opening an unnamed file (O_TMPFILE) fail with EOPNOTSUPP, as
// on file systems without them (vfat): in a test program that links no_unnamed_files.cpp, and in
// a child that preloads the library roruvez_no_unnamed_preload.
inline constexpr const char* kNoUnnamedFiles = "RORUVEZ_TEST_NO_UNNAMED_FILES";

// Set in the environment of a test program that links no_unnamed_files.cpp, it makes a rename
// without replacing fail as on file systems without the flag (EINVAL), and the removal of a
// hidden ".roruvez-" name fail (EACCES).
inline constexpr const char* kNoRenameFlag = "RORUVEZ_TEST_NO_RENAME_FLAG";

// Set in the environment of a test program that links no_unnamed_files.cpp, it makes every hard
// link fail (EPERM), as on vfat through FUSE.
inline constexpr const char* kNoLinks = "RORUVEZ_TEST_NO_LINKS";

// Sets that variable in this process while alive.
class NoUnnamedFiles {
  public:
    NoUnnamedFiles();
    ~NoUnnamedFiles();
    NoUnnamedFiles(const NoUnnamedFiles&) = delete;
    NoUnnamedFiles& operator=(const NoUnnamedFiles&) = delete;
};

// Names the two ways of writing an output, for tests that take both as their parameter (true:
// under a hidden name).
std::string wayOfWriting(const ::testing::TestParamInfo<bool>& way);

}  // namespace roruvez::testing

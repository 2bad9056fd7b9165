#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/drive_table.h"
#include "platform/free_space.h"

namespace roruvez::testing {

// A drive table the test writes: bind letters to directories.
class FakeDriveTable : public DriveTable {
  public:
    FakeDriveTable();
    std::vector<Drive> drives() override { return table; }
    // Binds a letter (a and b are floppies) to a directory; an empty directory means no disk.
    void bind(char letter, const std::string& directory);
    std::vector<Drive> table;
};

// Free space in counts the test sets; queries are recorded.
class ScriptedFreeSpace : public FreeSpace {
  public:
    DiskCounts query(const std::string& root) override;
    void setFreeBytes(std::uint32_t bytes);  // 1 byte per sector, 1 sector per cluster
    DiskCounts counts;
    std::vector<std::string> roots;
};

// 6 December 2026 14:05:09, a Sunday, with English names.
class FixedClock : public Clock {
  public:
    LocalTime now() override { return time; }
    std::string monthAbbreviation(int month) override;
    std::string weekdayName(int weekday) override;
    LocalTime time{2026, 12, 6, 14, 5, 9, 0};
};

// A fresh directory removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path with a trailing separator, as a target prefix.
    std::string prefix() const { return path_.string() + "/"; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

std::string patternBytes(std::size_t size, unsigned seed = 1);
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
// A file of size bytes that takes no room but for ends bytes of patternBytes at its start and
// as many at its end.
void makeSparseFile(const std::string& path, std::uint64_t size, std::size_t ends = 0);
// Whether the two files hold the same bytes, read a block at a time.
bool sameContents(const std::string& one, const std::string& other);

// The SHA-256 of bytes, as 64 lowercase hex digits.
std::string sha256Of(const std::string& bytes);
// Whether coreutils' sha256sum -c passes the checksum list in directory, with --ignore-missing
// when asked: the one judge of that format.
bool sha256sumPasses(const std::string& directory, bool ignoreMissing = false);
// Whether par2 is installed here.
bool havePar2();
// `par2 VERB breldo.par2` in directory succeeds (verb: verify or repair).
bool par2Says(const std::string& directory, const std::string& verb);
// Names in a directory, sorted.
std::vector<std::string> listDir(const std::filesystem::path& directory);

}  // namespace roruvez::testing

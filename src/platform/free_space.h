#pragma once

#include <cstdint>
#include <string>

namespace roruvez {

class FileSystem;

// The counts the free-space query reports; all 0 when the drive cannot be queried.
struct DiskCounts {
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t freeClusters = 0;
    std::uint32_t totalClusters = 0;
};

class FreeSpace {
  public:
    virtual ~FreeSpace() = default;
    // root is a drive's root, letter, colon and separator: "a:/". Never throws.
    virtual DiskCounts query(const std::string& root) = 0;
};

// statvfs on the drive's directory: a sector is a fragment, a cluster one sector.
class StatvfsFreeSpace : public FreeSpace {
  public:
    explicit StatvfsFreeSpace(FileSystem& files);
    DiskCounts query(const std::string& root) override;

  private:
    FileSystem& files_;
};

}  // namespace roruvez

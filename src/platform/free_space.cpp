#include "platform/free_space.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <limits>

#include "platform/file_system.h"

namespace roruvez {

namespace {

std::uint32_t clampCount(unsigned long long value) {
    return static_cast<std::uint32_t>(
        std::min<unsigned long long>(value, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

StatvfsFreeSpace::StatvfsFreeSpace(FileSystem& files) : files_(files) {}

DiskCounts StatvfsFreeSpace::query(const std::string& root) {
    DiskCounts counts;
    try {
        const std::string path = files_.resolve(root);
        struct statvfs info {};
        if (::statvfs(path.c_str(), &info) != 0) {
            return counts;
        }
        counts.sectorsPerCluster = 1;
        counts.bytesPerSector = clampCount(info.f_frsize);
        counts.freeClusters = clampCount(info.f_bavail);
        counts.totalClusters = clampCount(info.f_blocks);
    } catch (const std::exception&) {
        return DiskCounts{};
    }
    return counts;
}

}  // namespace roruvez

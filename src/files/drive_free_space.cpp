#include "files/drive_free_space.h"

#include <limits>

#include "platform/drive_table.h"
#include "text/text.h"

namespace roruvez {

namespace {

constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();

// Large drives report more than 32 bits hold; the count saturates rather than failing.
std::int64_t saturatedProduct(std::int64_t a, std::int64_t b) {
    if (a != 0 && b > kMaxBytes / a) {
        return kMaxBytes;
    }
    return std::min(a * b, kMaxBytes);
}

}  // namespace

std::int32_t DiskFreeBytes(const std::string& drive, Context& context) {
    std::string root = drive;
    if (characterCount(root) == 1) {
        root += ":/";
    }
    if (root.size() == 2 && root[1] == ':') {
        root += '/';
    }
    const DiskCounts counts = context.platform.freeSpace.query(root);
    const std::int64_t cluster = saturatedProduct(counts.bytesPerSector, counts.sectorsPerCluster);
    return static_cast<std::int32_t>(saturatedProduct(cluster, counts.freeClusters));
}

}  // namespace roruvez

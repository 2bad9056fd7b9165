#include "window/current_drive.h"

#include "platform/paths.h"

namespace roruvez {

std::optional<std::size_t> currentDriveIndex(const std::vector<Drive>& drives,
                                             const std::string& workingDirectory) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string& root = drives[i].directory;
        if (root.empty() || !isUnder(workingDirectory, root)) {
            continue;
        }
        if (!best || root.size() > drives[*best].directory.size()) {
            best = i;
        }
    }
    return best;
}

}  // namespace roruvez

#include "window/current_drive.h"

#include <unistd.h>

#include <climits>

namespace roruvez {

namespace {

bool isUnder(const std::string& path, const std::string& root) {
    if (root == "/") {
        return !path.empty() && path[0] == '/';
    }
    std::string directory = root;
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
    return path.compare(0, directory.size(), directory) == 0 &&
           (path.size() == directory.size() || path[directory.size()] == '/');
}

}  // namespace

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

std::string workingDirectory() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) == nullptr ? std::string() : std::string(buffer);
}

}  // namespace roruvez

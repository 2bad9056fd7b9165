#include "platform/paths.h"

#include <unistd.h>

#include <climits>

namespace roruvez {

bool isUnder(const std::string& path, const std::string& directory) {
    std::string root = directory;
    while (root.size() > 1 && root.back() == '/') {
        root.pop_back();
    }
    if (root == "/") {
        return !path.empty() && path[0] == '/';
    }
    return path.compare(0, root.size(), root) == 0 &&
           (path.size() == root.size() || path[root.size()] == '/');
}

std::string withoutTrailingBlanks(std::string path) {
    const std::size_t lastSlash = path.rfind('/');
    const std::size_t nameStart = lastSlash == std::string::npos ? 0 : lastSlash + 1;
    std::size_t end = path.size();
    while (end > nameStart && path[end - 1] == ' ') {
        --end;
    }
    path.resize(end);
    return path;
}

std::string workingDirectory() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) == nullptr ? std::string() : std::string(buffer);
}

}  // namespace roruvez

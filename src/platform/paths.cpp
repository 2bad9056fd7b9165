#include "platform/paths.h"

#include <unistd.h>

#include <climits>
#include <filesystem>

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

std::string parentDirectory(const std::string& path) {
    const std::size_t lastSlash = path.rfind('/');
    if (lastSlash == std::string::npos) {
        return ".";
    }
    if (lastSlash == 0) {
        return "/";
    }
    return path.substr(0, lastSlash);
}

std::string pathInDirectory(const std::string& directory, const std::string& name) {
    return !directory.empty() && directory.back() == '/' ? directory + name
                                                         : directory + "/" + name;
}

std::string cleanPath(const std::string& path) {
    std::string clean = std::filesystem::path(path).lexically_normal().native();
    while (clean.size() > 1 && clean.back() == '/') {
        clean.pop_back();
    }
    return clean;
}

std::string workingDirectory() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) == nullptr ? std::string() : std::string(buffer);
}

std::string absolutePath(const std::string& path) {
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        const std::string directory = workingDirectory();
        if (directory.empty()) {
            return {};
        }
        full = directory;
        full += '/';
        full += path;
    }
    std::string out;
    std::size_t start = 0;
    while (start <= full.size()) {
        std::size_t end = full.find('/', start);
        if (end == std::string::npos) {
            end = full.size();
        }
        const std::string segment = full.substr(start, end - start);
        if (!segment.empty() && segment != ".") {
            out += '/';
            out += segment;
        }
        start = end + 1;
    }
    return out.empty() ? "/" : out;
}

}  // namespace roruvez

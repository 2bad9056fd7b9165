#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace roruvez::testing {

// What a directory tree holds: every entry by its path under the root, with its kind and, for
// files, the bytes; links are not followed. Comparing two snapshots shows any change.
struct TreeSnapshot {
    std::map<std::string, std::string> entries;

    static TreeSnapshot of(const std::filesystem::path& root);
    // Entries added, removed or changed since before, one line each, for failure messages.
    std::vector<std::string> changesSince(const TreeSnapshot& before) const;
};

}  // namespace roruvez::testing

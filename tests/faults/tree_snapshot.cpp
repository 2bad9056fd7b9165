#include "tree_snapshot.h"

#include "support/fakes.h"

namespace roruvez::testing {

namespace {
constexpr std::uintmax_t kLargestRead = 64U << 20U;
}  // namespace

TreeSnapshot TreeSnapshot::of(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    TreeSnapshot snapshot;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::file_status status = it->symlink_status(error);
        const std::string name = fs::relative(it->path(), root, error).string();
        std::string& value = snapshot.entries[name];
        switch (status.type()) {
            case fs::file_type::regular:
                // Huge (sparse) files are told by size and time, not read.
                if (it->file_size(error) > kLargestRead) {
                    value = "large file:" + std::to_string(it->file_size(error)) + ":" +
                            std::to_string(it->last_write_time(error).time_since_epoch().count());
                } else {
                    value = "file:" + readFile(it->path().string());
                }
                break;
            case fs::file_type::directory:
                value = "directory";
                break;
            case fs::file_type::symlink:
                value = "link:" + fs::read_symlink(it->path(), error).string();
                break;
            default:
                value = "special:" + std::to_string(static_cast<int>(status.type()));
                break;
        }
    }
    return snapshot;
}

std::vector<std::string> TreeSnapshot::changesSince(const TreeSnapshot& before) const {
    std::vector<std::string> changes;
    for (const auto& [name, value] : before.entries) {
        const auto now = entries.find(name);
        if (now == entries.end()) {
            changes.push_back("removed " + name);
        } else if (now->second != value) {
            changes.push_back("changed " + name);
        }
    }
    for (const auto& [name, value] : entries) {
        if (before.entries.count(name) == 0) {
            changes.push_back("added " + name);
        }
    }
    return changes;
}

}  // namespace roruvez::testing

#pragma once

#include <string>
#include <vector>

namespace roruvez {

// One name in a directory, as the bytes the directory holds.
struct DirectoryEntry {
    std::string name;
    bool directory = false;  // links followed, so a link to a directory can be entered
};

// Every name in the directory but "." and "..", hidden ones too, in the directory's own order.
// Throws PlatformError when the directory cannot be read.
std::vector<DirectoryEntry> listDirectory(const std::string& directory);

// What a path names now. A link counts as what it leads to; a dangling link is still a name.
enum class EntryKind { None, Directory, Other };
EntryKind entryKind(const std::string& path);

}  // namespace roruvez

#pragma once

#include <string>

namespace roruvez {

// Whether path is directory itself or lies beneath it; a trailing '/' of directory is ignored.
bool isUnder(const std::string& path, const std::string& directory);

// path without the blanks at the end of its last name, which a name built from a padded field
// carries.
std::string withoutTrailingBlanks(std::string path);

// The process's working directory; empty when it cannot be read.
std::string workingDirectory();

}  // namespace roruvez

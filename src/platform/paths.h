#pragma once

#include <string>

namespace roruvez {

// Whether path is directory itself or lies beneath it; a trailing '/' of directory is ignored.
bool isUnder(const std::string& path, const std::string& directory);

// The process's working directory; empty when it cannot be read.
std::string workingDirectory();

}  // namespace roruvez

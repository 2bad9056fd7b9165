#pragma once

#include <string>

namespace roruvez {

// Whether path is directory itself or lies beneath it; a trailing '/' of directory is ignored.
bool isUnder(const std::string& path, const std::string& directory);

// path without the blanks at the end of its last name, which a name built from a padded field
// carries.
std::string withoutTrailingBlanks(std::string path);

// The directory a path names its last entry in: "/a/b" -> "/a", "/b" -> "/", "b" -> ".".
std::string parentDirectory(const std::string& path);

// name inside directory, with one separator between them.
std::string pathInDirectory(const std::string& directory, const std::string& name);

// The path with "." and ".." worked out by its names alone, no separator doubled or at the end:
// "/a/./b/../c/" -> "/a/c". The bytes of each name stay as they are.
std::string cleanPath(const std::string& path);

// The process's working directory; empty when it cannot be read.
std::string workingDirectory();

// path made absolute against the working directory, without "." segments and doubled
// separators. ".." stays: it may cross a link. Empty when a relative path meets a working
// directory that cannot be read.
std::string absolutePath(const std::string& path);

}  // namespace roruvez

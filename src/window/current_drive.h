#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/drive_table.h"
#include "platform/paths.h"

namespace roruvez {

// The drive that holds the working directory: the one with the longest root above it.
std::optional<std::size_t> currentDriveIndex(const std::vector<Drive>& drives,
                                             const std::string& workingDirectory);

}  // namespace roruvez

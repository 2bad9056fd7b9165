#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Logs the name and refuses it (1) when anything at all exists under it, or when the disk cannot
// be checked and the user gives up. 0: the caller may create the file (exclusively).
std::int16_t CheckOutputFile(const std::string& name, Context& context);

}  // namespace roruvez

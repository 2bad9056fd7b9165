#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Free bytes on a drive ("a", "a:" or "a:/"); 0 when it cannot be queried; at most
// 2,147,483,647.
std::int32_t DiskFreeBytes(const std::string& drive, Context& context);

}  // namespace roruvez

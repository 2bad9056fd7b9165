#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Sets TargetDir: the drive of Drive1 ("a:") when "SaveTo:" is ticked, else the path's directory
// with its trailing separator.
std::int16_t ResolveTargetDir(const std::string& path, Context& context);

}  // namespace roruvez

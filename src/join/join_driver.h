#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Runs one join of the piece set whose piece 1 is at path, and reports the outcome on the
// surface. Always 0.
std::int16_t JoinFiles(const std::string& path, Context& context, const JobRequest& request = {});

}  // namespace roruvez

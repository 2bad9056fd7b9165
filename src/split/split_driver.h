#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Runs one split of the file at path, with what the user asked besides, and reports the outcome
// on the surface. Always 0.
std::int16_t SplitFile(const std::string& path, Context& context, const JobRequest& request = {});

}  // namespace roruvez

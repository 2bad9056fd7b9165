#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Writes pieces 2, 3, ... under the prefix until the source is done or MaxPieces is reached. A
// refusal shows its box and returns 1; the driver ends the job.
std::int16_t WriteNextPieces(const std::string& targetDir, Context& context);

}  // namespace roruvez

#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Settles the piece size from Text2 and writes piece 1 under the prefix; leaves the source open
// as file number 1 after the bytes copied. A refusal shows its box and returns 1; the driver
// ends the job.
std::int16_t WriteFirstPiece(const std::string& targetDir, Context& context);

}  // namespace roruvez

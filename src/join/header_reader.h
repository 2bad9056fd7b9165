#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Reads the 160-byte header at the start of the piece at path into PieceHeader and shows its
// size, stamp and name. 1 when the file cannot be read or the name it records is not a safe
// plain file name.
std::int16_t ReadHeader(const std::string& path, Context& context);

}  // namespace roruvez

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "state/context.h"

namespace roruvez {

// Reads the 160-byte header at the start of the piece at path into PieceHeader and shows its
// size, stamp and name. 1 when the file cannot be read or the name it records is not a safe
// plain file name.
std::int16_t ReadHeader(const std::string& path, Context& context);

// Takes bytes, a header read from (or rebuilt for) the piece at path, as ReadHeader does; throws
// PlatformError when the name it records is not safe.
void TakeHeader(std::string_view bytes, const std::string& path, Context& context);

}  // namespace roruvez

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "state/context.h"

namespace roruvez {

// Counts the pieces breldo.1, breldo.2, ... under the prefix up to the first missing number,
// sets PieceCount and TotalBytes (their lengths added up, less the header) and warns when the
// total differs from the size the header records. 1 when a lookup fails, a count overflows or
// the recorded size is not a number.
std::int16_t CheckPieces(const std::string& targetDir, Context& context);

// The recorded size: an optional sign and decimal digits, blanks around them allowed. Nothing
// for any other text.
std::optional<std::int64_t> readSizeField(const std::string& field);

}  // namespace roruvez

#pragma once

#include <cstdint>
#include <string_view>

namespace roruvez {

// Reads a typed number the way the piece size box is read: blanks, tabs and line feeds are
// ignored anywhere; a sign, a decimal point, an exponent and the prefixes &H and &O are
// understood; reading stops at the first character that cannot continue the number; text that
// does not begin with a number reads as 0. The value is rounded half to even. Throws
// PlatformError ("Overflow") when the result is outside the 32-bit signed range.
std::int32_t readNumberText(std::string_view text);

// Reads the piece size box: digits followed by a size suffix that readByteCount knows, with
// blanks allowed around them and before the suffix, mean what the console's --size means ("700K"
// is 716800); a decimal before the suffix counts that many of its unit, to the nearest byte
// ("1.5K" is 1536); every other text reads as readNumberText does. Throws PlatformError
// ("Overflow") above the 32-bit signed range.
std::int32_t readPieceSizeText(std::string_view text);

}  // namespace roruvez

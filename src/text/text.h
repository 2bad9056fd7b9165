#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace roruvez {

// Texts are UTF-8 in memory and "a character" is a code point. A byte that does not start a
// valid UTF-8 sequence counts as one character of its own, so odd file names never break the
// counting.
std::vector<std::string_view> splitCharacters(std::string_view text);

std::size_t characterCount(std::string_view text);

// Pads with blanks to the width in characters; throws PlatformError ("Overflow") when the text
// is already longer.
std::string padToWidth(std::string_view text, std::size_t width);

// Only the letters A to Z change case; every other byte, UTF-8 included, stays as it is.
std::string toUpperAscii(std::string_view text);
std::string toLowerAscii(std::string_view text);
char toLowerAscii(char c);

// The number in decimal with zeros in front up to width digits: 7 -> "07".
std::string zeroPadded(int value, std::size_t width);

}  // namespace roruvez

#pragma once

#include <string>
#include <string_view>

namespace roruvez {

// The ANSI code page of the file format: Windows-1252, one byte per character.

// A character the code page cannot hold becomes '?'.
std::string toCodePage(std::string_view utf8);

// Bytes the code page leaves undefined decode to the C1 control of the same value.
std::string fromCodePage(std::string_view bytes);

}  // namespace roruvez

#pragma once

#include <string>
#include <string_view>

namespace roruvez {

// The name a header records is the name a join restores, inside the directory it joins into. These
// are the rules both sides keep.

// A control character: C0, DEL, or the C1 range that undefined code page bytes decode to.
bool isControlCharacter(std::string_view character);

// Empty when the name, as stored, may be used as a file name inside the target directory;
// otherwise why it may not.
std::string unsafeNameReason(const std::string& storedName);

// The name a join restores when name is written into a header: what the code page can hold,
// with each character a name may not hold as '_', and without blanks at the end, which the
// header's padding swallows.
std::string restorableName(const std::string& name);

}  // namespace roruvez

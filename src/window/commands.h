#pragma once

#include <string>

#include "platform/clock.h"

namespace roruvez {

inline constexpr const char* kHelpTitle = "Velmora RORUVEZ Help.";

// "Sunday, Dec 6 2026 08:05:09": weekday and month names from the clock's locale.
std::string clockText(Clock& clock);

// The seven lines of the help box, joined by CR LF.
std::string helpText();

}  // namespace roruvez

#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// The 8.3 form of a name by length alone: 11 characters or fewer stay, longer names become their
// first 8 characters, a full stop and their last 3.
std::string shortNameOf(const std::string& longName);

// Sets SourcePath, LongName and ShortName, the name a join of the pieces will restore; asks the
// user when it differs from the source's name.
// 1 when the user refused the shortened name.
std::int16_t MakeShortName(const std::string& path, Context& context);

}  // namespace roruvez

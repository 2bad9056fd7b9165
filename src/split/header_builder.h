#pragma once

#include <cstdint>
#include <string>

#include "format/piece_format.h"
#include "state/context.h"

namespace roruvez {

// Builds the 160-character header of piece 1 for the source at SourcePath, recording name.
std::int16_t BuildHeader(const std::string& name, Context& context);

}  // namespace roruvez

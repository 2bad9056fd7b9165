#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Joins pieces 1 to PieceCount under the prefix into the restored file there
// (restoredName). The file gets the
// restored name, never replacing anything, only once it is complete (FileSystem::createOutput);
// after a failure nothing of it is left.
//
// Has no trap: a failure reaches the caller's as a PlatformError whose description says what
// failed (the step, the file and the system's description), once the unfinished output is gone.
std::int16_t AppendPieces(const std::string& targetDir, Context& context);

}  // namespace roruvez

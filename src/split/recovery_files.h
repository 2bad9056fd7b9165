#pragma once

#include <string>

#include "state/context.h"

namespace roruvez {

// Throws, before anything is written, when the recovery data asked for cannot be made for the
// split about to begin: more pieces to rebuild than the set will have, or a floppy set.
void checkRecoveryAsked(const std::string& targetDir, Context& context);

// After the last piece is named, with recovery data asked for: a PAR2 recovery set whose input
// files are the pieces (breldo.par2 and its volumes), read back from the pieces just named and
// written under targetDir as outputs like a piece.
void writeRecoveryFiles(const std::string& targetDir, int pieces, Context& context);

}  // namespace roruvez

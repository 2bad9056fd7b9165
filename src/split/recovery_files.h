#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Before anything is written, with recovery data asked for: throws when it cannot be made for
// the split about to begin (more pieces to rebuild than the set will have; for a floppy set,
// more than memory holds until its disks come). Otherwise reads the start of every piece to be
// from the source, which fixes the recovery set's description, and has the copy sum the pieces
// for it as they are written.
void startRecovery(const std::string& targetDir, Context& context);

// After the last piece is named: the PAR2 recovery set whose input files are the pieces
// (breldo.par2 and its volumes), written under targetDir as outputs like a piece. Recovery
// slices beyond what memory held during the copy are made from the pieces read back. A floppy
// set's files are only made, and wait for writeRecoveryDisks.
void writeRecoveryFiles(const std::string& targetDir, int pieces, Context& context);

// A floppy set's recovery files, after its last piece: each volume on a disk of its own, asked
// for like a piece and checked for room, breldo.par2 with the first. False, once a box has said
// so, when a disk has no room.
bool writeRecoveryDisks(const std::string& targetDir, Context& context);

// What the recovery files' lines add to the set's checksum list, at most.
std::int64_t recoveryListBytes(Context& context);

}  // namespace roruvez

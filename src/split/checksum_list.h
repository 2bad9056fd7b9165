#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// The bytes a checksum list of the first `pieces` pieces and the whole file takes at most on a
// disk, for the room each disk must have.
std::int64_t checksumListBytes(int pieces, const JobState& state);

// Throws, with the words a piece's refusal has, unless a list may stand under targetDir:
// nothing stands there, or the list this job named there before. Asked whether or not the split
// writes one, since a join takes a list beside the pieces for theirs.
void checkChecksumListNameFree(const std::string& targetDir, Context& context);

// After piece number is named, with checksums on: the list of the pieces so far, with the whole
// file's line once complete, is written under targetDir as an output like a piece. On a floppy
// every disk gets one, replacing the list this job wrote there before; elsewhere only the last
// piece is followed by one.
void listPiecesSoFar(const std::string& targetDir, int number, bool complete, Context& context);

}  // namespace roruvez

#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Joins pieces 1 to PieceCount under the prefix into the file OrigName there. The file gets the
// restored name, never replacing anything, only once it is complete (FileSystem::createOutput);
// after a failure nothing of it is left.
//
// Shows nothing on a failure: returns 1 and leaves in failure what failed (the step, the file and
// the system's description), for the caller to report. failure is emptied on success.
std::int16_t AppendPieces(const std::string& targetDir, Context& context, std::string& failure);

// Discards the output of a split or join that is being written, for a program that ends in the
// middle of one.
void discardUnfinishedOutput(Context& context);

// The output name as the file system gives it: prefix + OrigName without its trailing blanks.
std::string restoredName(const std::string& targetDir, const std::string& origName);

}  // namespace roruvez

#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Counts the pieces breldo.1, breldo.2, ... (as PieceBaseName spells them) under the prefix up to
// the first missing number, sets PieceCount and TotalBytes (their lengths added up, less the
// header) and warns, setting SizeMismatch, when the total differs from the size the header
// records. 1 when a lookup fails, a count overflows or
// the recorded size is not a number.
std::int16_t CheckPieces(const std::string& targetDir, Context& context);

// Settles which set the join reads: sets PieceBaseName, and refuses (1, with a message that
// names both files) a piece 1 there that is not the chosen file and does not begin with its
// header.
std::int16_t MatchPieceSet(const std::string& firstPiece, const std::string& targetDir,
                           Context& context);

// The spelling of "breldo." of the set the chosen first piece belongs to: the chosen name's own
// when it is a first piece in the directory joined into and no "breldo.1" stands there.
std::string pieceBaseNameOf(const std::string& firstPiece, const std::string& targetDir,
                            FileSystem& files);

// Empty when the data piece 1 of the set is the chosen first piece, or begins with the same
// header; otherwise the message that names both. The copy itself never starts on another set.
std::string foreignSetReason(const std::string& firstPiece, const std::string& dataPiece,
                             FileSystem& files);

// What a join whose pieces do not add up tells the user once it has written them to restored:
// the total the pieces hold, the size the header records, and, when they hold less, the first
// piece not found.
std::string mismatchReport(const std::string& restored, const Context& context);

}  // namespace roruvez

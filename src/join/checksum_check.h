#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "state/context.h"

namespace roruvez {

// Where the set's checksum list stands: spelled as its pieces are, else in lower case.
std::string checksumListPath(const std::string& targetDir, Context& context);

// The text of the list at listPath, read as a list may be: never through a link, never more
// than a list can hold.
std::string checksumListText(const std::string& listPath, FileSystem& files);

// The digests the checksum list beside the set lists for its pieces 1 to PieceCount, by number
// (empty when there is no list): every other line is ignored, so nothing outside the set is ever
// read on its word; the long name it keeps for the file, when it keeps one, is taken for the
// join (JobRun::longName). A list that is not one (too large, not in the format, not an ordinary
// file) throws, naming it; one without a line for every piece throws, concerning those pieces.
std::map<int, std::string> readListedDigests(const std::string& targetDir, Context& context);

// The restored file's path under targetDir: the long name the list keeps, else OrigName without
// its trailing blanks.
std::string restoredName(const std::string& targetDir, Context& context);

// Once every piece is copied: the pieces whose sums differ from their listed ones, by number.
std::vector<int> damagedPieces(Context& context);
// The same as a failure, concerning every such piece.
void checkPieceDigests(const std::string& targetDir, Context& context);

// What the log says of a checked set: "3 pieces match <list>".
std::string piecesMatchedText(int pieces, const std::string& listPath);

}  // namespace roruvez

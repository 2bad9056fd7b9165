#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// Writes piece number under piecePath: the header text (empty for later pieces), then count
// bytes of the source open as file number 1, of which jobDone were copied before this piece. The
// piece gets its name only once it is complete; after a failure nothing of it is left.
// With checksums on, the piece is summed as it is copied and, on a removable medium, read back
// from the medium and checked before it is named.
void writePiece(const std::string& piecePath, int number, const std::string& header,
                std::int32_t count, std::int64_t jobDone, Context& context);

// Throws, naming the source, unless it is the file the split measured, not written to since.
void checkSourceUnchanged(Context& context);

}  // namespace roruvez

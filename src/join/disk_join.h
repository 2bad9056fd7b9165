#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

// A set split onto floppy disks holds one piece a disk. Its piece 1 on a floppy letter, with the
// next piece not beside it while the header's size needs more pieces, and no recovery data
// beside it, is joined disk by disk.
bool joinsDiskByDisk(const std::string& firstPiece, const std::string& targetDir, Context& context);

// Joins such a set once its header is read: asks where the file goes (the request's folder, else
// the surface's chooser), which must not be on the disks and must have room for it; then asks
// for each next disk, taking a piece only when it has the set's length and agrees with the
// disk's checksum list, and asking again, with the reason, for one that does not. Such a piece
// may then be skipped, and is rebuilt at the end from the recovery disks. The file gets its name
// once whole; a cancelled or failed join leaves nothing of it. Ends the job.
std::int16_t JoinFromDisks(const std::string& firstPiece, const std::string& targetDir,
                           Context& context);

}  // namespace roruvez

#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "state/context.h"

namespace roruvez {

// After a join disk by disk has copied the pieces it could, the skipped ones left as zeros in
// the restored file: asks for the set's recovery disks until they hold enough to rebuild the
// skipped pieces, then rebuilds them in place, each checked against the set. A disk that adds
// nothing, or is of another set (its pieces not of the lengths given, by number less one), is
// named and asked for again. False when the user cancels; throws when a rebuilt piece does not
// match.
bool rebuildFromRecoveryDisks(const std::string& targetDir,
                              const std::vector<std::int64_t>& pieceLengths,
                              const std::set<int>& skipped, Context& context);

}  // namespace roruvez

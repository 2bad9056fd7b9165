#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "state/context.h"

namespace roruvez {

// Reads breldo.par2 beside the set's first piece, when there is one, and keeps it for the join
// when it describes this set: its files the set's pieces, adding up to the header's size. One
// that does not is logged as not used, and the join goes on without it.
void readRecoveryBeside(const std::string& targetDir, Context& context);

// After every sound piece is copied into the restored file and the lost ones left as zeros:
// rebuilds the lost pieces from the recovery files beside them, checks each against the recovery
// set (and the checksum list, when there is one) and writes it in its place. Throws, naming the
// pieces, when the recovery data cannot rebuild them.
void rebuildLostPieces(const std::string& targetDir, Context& context);

// Recovery files read whole from disks, the first disk taken first, are one more source.
// Why the held files do not describe the set; empty when they do. The first to describe it gives
// recovery its set and piece lengths; later ones must be of that set.
std::string describedByHeld(const std::vector<std::string>& held, JoinRecovery& recovery,
                            const JobState& state);
// The recovery slices the held files hold, and how many recovery's lost pieces need.
std::size_t recoverySlicesHeld(const std::vector<std::string>& held, const JoinRecovery& recovery);
std::size_t recoverySlicesNeeded(const JoinRecovery& recovery);
// As rebuildLostPieces, from held files.
void rebuildLostPiecesFrom(const std::vector<std::string>& held, const std::string& targetDir,
                           Context& context);

// Piece 1's header when piece 1 is lost: the lost pieces are rebuilt in memory from breldo.par2,
// its volumes and the pieces at hand (each checked against the set as it is read; a damaged one
// counts as lost), and piece 1 is checked against the set. Throws when that cannot be done.
std::string rebuiltHeader(const std::string& targetDir, Context& context);

}  // namespace roruvez

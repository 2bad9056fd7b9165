#pragma once

#include <string>
#include <vector>

#include "support/job_fixture.h"
#include "support/piece_header.h"

namespace roruvez::testing {

// Writes header + data as prefix breldo.1, breldo.2, ..., every piece but the last pieceSize
// bytes long. Returns the piece paths.
std::vector<std::string> writePieceSet(const std::string& prefix, const std::string& header,
                                       const std::string& data, std::size_t pieceSize);

// A join fixture: a piece set in dir and helpers to run the join and inspect what it left.
class JoinFixture : public JobFixture {
  protected:
    // Writes a set of data under the header fields (name and size filled in when left empty).
    std::string writeSet(HeaderFields fields, const std::string& data, std::size_t pieceSize);
    // Empties dir between the cases of a table.
    void freshDir();
    // Runs a join of piece 1 in dir with Command3 enabled, an empty log and a fresh history.
    void join();
    void join(const std::string& piece1);
    std::string piece(int number) const { return dir.file("breldo." + std::to_string(number)); }
    void expectNotCompleted() const;
    // Only the given names are in dir: nothing under the restored name, no temporary file.
    void expectDirHolds(std::vector<std::string> names) const;
};

}  // namespace roruvez::testing

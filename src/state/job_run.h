#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "checks/piece_sums.h"
#include "format/par2_reader.h"
#include "format/par2_set.h"
#include "platform/open_file.h"

namespace roruvez {

// What the user asks of a job beyond the window's fields; the front ends give it with each job.
struct JobRequest {
    // A split also writes breldo.sha256 beside its pieces.
    bool checksums = false;
    // A split also writes recovery data that rebuilds this many lost or damaged pieces.
    int recovery = 0;
    // A join from floppy disks restores the file into this folder; without it the surface asks.
    std::string into = {};
};

// A recovery set beside a join's pieces, found to describe them: what the join rebuilds from.
struct JoinRecovery {
    std::string path;
    par2::ReadRecoverySet set;
    // By piece number less one.
    std::vector<std::int64_t> pieceLengths;
    // Pieces missing, of another length or damaged: rebuilt before the restored file is named.
    std::set<int> lost;
};

// An output the job named: the name as the job formed it, and the file it gave that name.
struct NamedOutput {
    std::string name;
    FileStatus file;
};

// The machinery of one running job, apart from the job state: made when the job starts, gone
// when it ends.
struct JobRun {
    JobRun() = default;
    explicit JobRun(JobRequest asked) : request(std::move(asked)) {}

    JobRequest request;
    PieceSums sums;
    // The outputs named and not looked for again since.
    std::vector<NamedOutput> named;
    // The checksum list the split last named on the disk in the drive: the one it may replace
    // with a longer one when the next piece goes on the same disk.
    std::optional<NamedOutput> ownChecksumList;
    // A split's recovery set, summed as the pieces are copied.
    std::shared_ptr<par2::RecoverySet> recoverySet;
    // A floppy set's recovery files, by name, until their disks come.
    std::map<std::string, std::string> heldRecoveryFiles;
    // The recovery files a split made, by name, with their SHA-256, for its checksum list.
    std::vector<std::pair<std::string, std::string>> recoveryDigests;
    // A join's recovery set, when one beside the pieces describes them.
    std::optional<JoinRecovery> recovery;
    // What a join's checksum list gives for its pieces, by number.
    std::map<int, std::string> listedDigests;
    // The long name a join's checksum list keeps for the file, which it restores under.
    std::optional<std::string> longName;
};

}  // namespace roruvez

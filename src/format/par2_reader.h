#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "format/par2_packets.h"

namespace roruvez::par2 {

// The most bytes of one slice a reader takes; a recovery set with larger slices is not used.
inline constexpr std::uint64_t kLargestReadSlice = std::uint64_t{64} << 20;

// Where a recovery slice's data lies: in which file read, and from which offset.
struct RecoverySliceAt {
    std::size_t file = 0;
    std::uint64_t offset = 0;
};

// What the files of one recovery set say, each packet checked against its own MD5. Files are
// data from a stranger: every length is bounded by the file it is in and by the format's limits,
// and what does not add up is left out, never trusted.
struct ReadRecoverySet {
    Md5Digest setId{};
    std::uint64_t sliceSize = 0;
    // The input files by ID, in the main packet's order; only those described and summed.
    std::vector<Md5Digest> ids;
    std::map<Md5Digest, InputFile> files;
    // By exponent.
    std::map<std::uint32_t, RecoverySliceAt> recovery;

    // The input file of that name, when the set describes it whole.
    const InputFile* file(const std::string& name) const;
};

// Reads size bytes from offset of file `file`; returns fewer only at its end.
using ReadFileAt = std::function<std::size_t(std::size_t file, std::uint64_t offset,
                                             std::byte* data, std::size_t size)>;

// Reads the packets of the files (their lengths given) of one recovery set: the set of the first
// sound main packet. Nothing when no file holds one.
std::optional<ReadRecoverySet> readRecoverySet(const std::vector<std::uint64_t>& lengths,
                                               const ReadFileAt& read);

}  // namespace roruvez::par2

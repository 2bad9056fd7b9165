// Reads recovery files of any bytes and checks the reader's promises: nothing is read outside the
// files (the sanitizers watch), and a set it returns holds only what its checks let through:
// slices of a usable size, every described file listed by the main packet with a checksum for
// each of its slices, and every recovery slice's data inside its file.
//
// Input: the first byte splits the rest into two files (breldo.par2 and a volume) at that
// fraction of its length.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "format/par2_reader.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t cut = bytes.size() * data[0] / 255;
    const std::vector<std::string> files = {bytes.substr(0, cut), bytes.substr(cut)};
    const std::vector<std::uint64_t> lengths = {files[0].size(), files[1].size()};
    const auto set = roruvez::par2::readRecoverySet(
        lengths, [&](std::size_t file, std::uint64_t offset, std::byte* into, std::size_t want) {
            FUZZ_CHECK(file < files.size() && offset <= files[file].size(),
                       "read outside the files");
            return files[file].copy(reinterpret_cast<char*>(into), want, offset);
        });
    if (!set) {
        return 0;
    }
    FUZZ_CHECK(set->sliceSize > 0 && set->sliceSize % 4 == 0 &&
                   set->sliceSize <= roruvez::par2::kLargestReadSlice,
               "a slice size the format does not allow");
    for (const auto& [id, file] : set->files) {
        FUZZ_CHECK(std::find(set->ids.begin(), set->ids.end(), id) != set->ids.end(),
                   "a file the main packet does not list");
        FUZZ_CHECK(file.id() == id, "a file under another's ID");
        FUZZ_CHECK(file.slices.size() == (file.length + set->sliceSize - 1) / set->sliceSize,
                   "a file without a checksum for each slice");
    }
    for (const auto& [exponent, at] : set->recovery) {
        FUZZ_CHECK(at.file < files.size() && at.offset + set->sliceSize <= lengths[at.file],
                   "a recovery slice outside its file");
    }
    return 0;
}

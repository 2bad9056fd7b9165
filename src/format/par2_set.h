#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checks/recovery_data.h"
#include "checks/stream_sum.h"
#include "format/par2_packets.h"

namespace roruvez::par2 {

// The most memory the recovery slices being made take at once; more recovery data is made in
// further passes over the inputs.
inline constexpr std::size_t kRecoveryMemory = std::size_t{64} << 20;

// One input of a recovery set: its name in the set and its length.
struct InputName {
    std::string name;
    std::uint64_t length = 0;
};

// Reads size bytes of input `input` from offset; fewer is a failure, thrown.
using ReadInput =
    std::function<void(std::size_t input, std::uint64_t offset, std::byte* data, std::size_t size)>;
// Appends bytes to the file of the set named name.
using AppendOutput = std::function<void(const std::string& name, std::string_view bytes)>;

// A PAR2 recovery set over inputs, in files named from base: base.par2 with the critical
// packets (main, file descriptions, slice checksums) and the creator's, and volumes of 1, 2, 4,
// ... recovery slices with consecutive exponents from 0 (or of volumeSlices each, when given),
// each with the critical packets too.
//
// Made in three steps: describe reads the start of every input, which fixes each slice's
// constant; the inputs are then summed once, each whole and in any order, through inputSum (as a
// copy hands over their bytes); write adds the recovery slices that did not fit in memory, in
// further passes over the inputs, and writes the files.
class RecoverySet {
  public:
    RecoverySet(std::string base, std::vector<InputName> inputs, std::uint64_t sliceSize,
                std::uint32_t recoverySlices, std::size_t memory = kRecoveryMemory,
                std::uint32_t volumeSlices = 0);

    // Every file the set is made of.
    std::vector<std::string> fileNames() const;
    // Whether one reading of the inputs makes every recovery slice.
    bool summedOnce() const { return summed_[0].count() == recoverySlices_; }
    // Inputs summed at once on different threads: input i adds to the recovery slices of
    // summer i mod kSummers, which write adds up.
    static constexpr std::size_t kSummers = 2;

    // Reads each input's first 16 KiB: its ID, and so its slices' constants, follow from them.
    void describe(const ReadInput& read);
    // The sum of input `input`, fed its bytes in order from its start. Its finish throws when
    // the input is not what describe read. Sums of different inputs may run one after another
    // on any thread, never two of the same summer at once.
    std::unique_ptr<StreamSum> inputSum(std::size_t input);
    // Once every input is summed: writes the files through append, each from its start.
    void write(const ReadInput& read, const AppendOutput& append, std::string_view creator);
    // The three steps, each input read through read.
    void make(const ReadInput& read, const AppendOutput& append, std::string_view creator);

  private:
    struct Volume {
        std::string name;
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };
    // Reads the input through read into sum, and into alongside on a thread of its own.
    void sumInput(const ReadInput& read, std::size_t input, StreamSum& sum,
                  StreamSum* alongside = nullptr) const;
    void appendSlices(const RecoveryData& data, const AppendOutput& append) const;

    std::string base_;
    std::vector<InputName> inputs_;
    std::uint64_t sliceSize_;
    std::uint32_t recoverySlices_;
    std::vector<Volume> volumes_;
    // What describe and the sums find, by input.
    std::vector<InputFile> files_;
    // The index of each input's first slice among the constants.
    std::vector<std::uint32_t> firstSlice_;
    Md5Digest setId_{};
    std::string body_;
    // The recovery slices made while the inputs are summed, by summer; each holds its share of
    // the memory.
    std::vector<RecoveryData> summed_;
};

// A whole recovery set for inputs held in memory (name and bytes); by name, each file's bytes.
std::map<std::string, std::string> recoveryFiles(
    std::string_view base, const std::vector<std::pair<std::string, std::string>>& inputs,
    std::uint64_t sliceSize, std::uint32_t count, std::string_view creator);

}  // namespace roruvez::par2

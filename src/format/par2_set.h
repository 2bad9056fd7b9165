#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checks/recovery_data.h"
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
// ... recovery slices with consecutive exponents from 0, each with the critical packets too.
class RecoverySet {
  public:
    RecoverySet(std::string base, std::vector<InputName> inputs, std::uint64_t sliceSize,
                std::uint32_t recoverySlices);

    // Every file the set is made of.
    std::vector<std::string> fileNames() const;
    // Reads the inputs (each byte once per kRecoveryMemory of recovery slices) and writes the
    // files through append, each from its start.
    void make(const ReadInput& read, const AppendOutput& append, std::string_view creator,
              std::size_t memory = kRecoveryMemory) const;

  private:
    struct Volume {
        std::string name;
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };
    // Reads every input once, its slices in the order of their constants, adding them to data;
    // with files, also gathers each input's MD5 and its slices' MD5 and CRC-32 there.
    void pass(const ReadInput& read, const std::vector<std::size_t>& order, RecoveryData& data,
              std::vector<InputFile>* files) const;

    std::string base_;
    std::vector<InputName> inputs_;
    std::uint64_t sliceSize_;
    std::uint32_t recoverySlices_;
    std::vector<Volume> volumes_;
};

// A whole recovery set for inputs held in memory (name and bytes); by name, each file's bytes.
std::map<std::string, std::string> recoveryFiles(
    std::string_view base, const std::vector<std::pair<std::string, std::string>>& inputs,
    std::uint64_t sliceSize, std::uint32_t count, std::string_view creator);

}  // namespace roruvez::par2

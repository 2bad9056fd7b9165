#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace roruvez {

// PAR2 recovery slices being made or undone: each input slice, in the order of its constant, is
// multiplied into every recovery slice, so the input is read once, in any order of slices.
class RecoveryData {
  public:
    // Recovery slice k has the exponent firstExponent + k; consecutive exponents, since a repair
    // that must do without some of them needs a system it can solve.
    RecoveryData(std::size_t sliceSize, std::uint32_t firstExponent, std::uint32_t count);
    // Recovery slices as found, by exponent: adding every input slice that is still at hand to
    // them leaves what the lost slices add up to.
    RecoveryData(std::size_t sliceSize, std::vector<std::uint32_t> exponents);

    // Adds size bytes of input slice `index` (its constant's index) from an even offset into
    // the slice. What is never added of a slice counts as zeros; an odd size ends the slice's
    // data, its last byte the low byte of a word whose high byte is zero.
    void addPart(std::uint32_t index, std::size_t offset, const std::byte* data, std::size_t size);

    std::uint32_t count() const { return static_cast<std::uint32_t>(slices_.size()); }
    std::uint32_t exponent(std::uint32_t k) const { return exponents_.at(k); }
    const std::vector<std::byte>& slice(std::uint32_t k) const { return slices_.at(k); }
    std::vector<std::byte>& slice(std::uint32_t k) { return slices_.at(k); }

    // Once every input slice at hand is added: the lost input slices (by their constants'
    // indexes, as many as there are recovery slices), in that order. Throws std::domain_error
    // when these recovery slices cannot tell them apart.
    std::vector<std::vector<std::byte>> lostSlices(const std::vector<std::uint32_t>& lost) const;

  private:
    std::size_t sliceSize_;
    std::vector<std::uint32_t> exponents_;
    std::vector<std::vector<std::byte>> slices_;
};

}  // namespace roruvez

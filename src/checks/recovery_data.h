#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace roruvez {

// PAR2 recovery slices being made: each input slice, in the order of its constant, is
// multiplied into every recovery slice, so the input is read once, in any order of slices.
// Recovery slice k has the exponent firstExponent + k; consecutive exponents, since a repair
// that must do without some of them needs a system it can solve.
class RecoveryData {
  public:
    RecoveryData(std::size_t sliceSize, std::uint32_t firstExponent, std::uint32_t count);

    // Adds size bytes of input slice `index` (its constant's index) from an even offset into
    // the slice. What is never added of a slice counts as zeros; an odd size ends the slice's
    // data, its last byte the low byte of a word whose high byte is zero.
    void addPart(std::uint32_t index, std::size_t offset, const std::byte* data, std::size_t size);

    std::uint32_t count() const { return static_cast<std::uint32_t>(slices_.size()); }
    std::uint32_t exponent(std::uint32_t k) const { return firstExponent_ + k; }
    const std::vector<std::byte>& slice(std::uint32_t k) const { return slices_.at(k); }

  private:
    std::size_t sliceSize_;
    std::uint32_t firstExponent_;
    std::vector<std::vector<std::byte>> slices_;
};

}  // namespace roruvez

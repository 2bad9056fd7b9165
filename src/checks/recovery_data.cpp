#include "checks/recovery_data.h"

#include <algorithm>

#include "checks/gf16.h"

namespace roruvez {

RecoveryData::RecoveryData(std::size_t sliceSize, std::uint32_t firstExponent, std::uint32_t count)
    : sliceSize_(sliceSize),
      firstExponent_(firstExponent),
      slices_(count, std::vector<std::byte>(sliceSize)) {}

void RecoveryData::addSlice(std::uint32_t index, const std::byte* data, std::size_t size) {
    const gf16::Value constant = gf16::inputConstant(index);
    // A slice that ends early counts as padded with zeros, which add nothing; an odd last byte
    // is the low byte of a word whose high byte is zero.
    const std::size_t words = std::min(size, sliceSize_) / 2;
    for (std::uint32_t k = 0; k < count(); ++k) {
        const gf16::Value factor = gf16::power(constant, exponent(k));
        std::vector<std::byte>& slice = slices_[k];
        gf16::multiplyAdd(factor, data, slice.data(), words);
        if (size % 2 != 0 && size < sliceSize_) {
            const std::byte last[2] = {data[size - 1], std::byte{0}};
            gf16::multiplyAdd(factor, last, slice.data() + size - 1, 1);
        }
    }
}

}  // namespace roruvez

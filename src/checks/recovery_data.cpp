#include "checks/recovery_data.h"

#include <algorithm>

#include "checks/gf16.h"

namespace roruvez {

RecoveryData::RecoveryData(std::size_t sliceSize, std::uint32_t firstExponent, std::uint32_t count)
    : sliceSize_(sliceSize),
      firstExponent_(firstExponent),
      slices_(count, std::vector<std::byte>(sliceSize)) {}

void RecoveryData::addPart(std::uint32_t index, std::size_t offset, const std::byte* data,
                           std::size_t size) {
    const gf16::Value constant = gf16::inputConstant(index);
    size = std::min(size, sliceSize_ - std::min(offset, sliceSize_));
    const std::byte last[2] = {size % 2 != 0 ? data[size - 1] : std::byte{0}, std::byte{0}};
    for (std::uint32_t k = 0; k < count(); ++k) {
        const gf16::Value factor = gf16::power(constant, exponent(k));
        std::byte* to = slices_[k].data() + offset;
        gf16::multiplyAdd(factor, data, to, size / 2);
        if (size % 2 != 0) {
            gf16::multiplyAdd(factor, last, to + size - 1, 1);
        }
    }
}

}  // namespace roruvez

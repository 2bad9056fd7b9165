#include "checks/recovery_data.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "checks/gf16.h"

namespace roruvez {

namespace {

std::vector<std::uint32_t> consecutive(std::uint32_t first, std::uint32_t count) {
    std::vector<std::uint32_t> exponents(count);
    for (std::uint32_t k = 0; k < count; ++k) {
        exponents[k] = first + k;
    }
    return exponents;
}

using Matrix = std::vector<std::vector<gf16::Value>>;

// The inverse of a square matrix by Gauss-Jordan elimination, choosing a nonzero pivot in each
// column; nothing when it is singular.
bool invert(Matrix& a, Matrix& inverse) {
    const std::size_t n = a.size();
    inverse.assign(n, std::vector<gf16::Value>(n, 0));
    for (std::size_t i = 0; i < n; ++i) {
        inverse[i][i] = 1;
    }
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        while (pivot < n && a[pivot][col] == 0) {
            ++pivot;
        }
        if (pivot == n) {
            return false;
        }
        std::swap(a[pivot], a[col]);
        std::swap(inverse[pivot], inverse[col]);
        const gf16::Value scale = a[col][col];
        for (std::size_t j = 0; j < n; ++j) {
            a[col][j] = gf16::divide(a[col][j], scale);
            inverse[col][j] = gf16::divide(inverse[col][j], scale);
        }
        for (std::size_t row = 0; row < n; ++row) {
            const gf16::Value factor = a[row][col];
            if (row == col || factor == 0) {
                continue;
            }
            for (std::size_t j = 0; j < n; ++j) {
                a[row][j] ^= gf16::multiply(factor, a[col][j]);
                inverse[row][j] ^= gf16::multiply(factor, inverse[col][j]);
            }
        }
    }
    return true;
}

}  // namespace

RecoveryData::RecoveryData(std::size_t sliceSize, std::uint32_t firstExponent, std::uint32_t count)
    : RecoveryData(sliceSize, consecutive(firstExponent, count)) {}

RecoveryData::RecoveryData(std::size_t sliceSize, std::vector<std::uint32_t> exponents)
    : sliceSize_(sliceSize),
      exponents_(std::move(exponents)),
      slices_(exponents_.size(), std::vector<std::byte>(sliceSize)) {}

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

std::vector<std::vector<std::byte>> RecoveryData::lostSlices(
    const std::vector<std::uint32_t>& lost) const {
    const std::size_t n = lost.size();
    if (n != slices_.size()) {
        throw std::domain_error("as many recovery slices as lost slices are needed");
    }
    // Recovery slice k is the sum over the lost slices i of constant_i ^ exponent_k * slice_i.
    Matrix a(n, std::vector<gf16::Value>(n));
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t i = 0; i < n; ++i) {
            a[k][i] = gf16::power(gf16::inputConstant(lost[i]), exponents_[k]);
        }
    }
    Matrix inverse;
    if (!invert(a, inverse)) {
        throw std::domain_error("the recovery slices at hand cannot tell the lost ones apart");
    }
    std::vector<std::vector<std::byte>> rebuilt(n, std::vector<std::byte>(sliceSize_));
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t k = 0; k < n; ++k) {
            gf16::multiplyAdd(inverse[i][k], slices_[k].data(), rebuilt[i].data(), sliceSize_ / 2);
        }
    }
    return rebuilt;
}

}  // namespace roruvez

#pragma once

#include <cstddef>
#include <cstdint>

namespace roruvez::gf16 {

// The Galois field GF(2^16) of PAR2's recovery data, with the generator polynomial 0x1100B
// (x^16 + x^12 + x^3 + x + 1), in which x, the value 2, generates every nonzero element.
using Value = std::uint16_t;

Value multiply(Value a, Value b);
// a / b; b must not be 0.
Value divide(Value a, Value b);
// 2 to the power n.
Value powerOfTwo(std::uint32_t n);
// base to the power n.
Value power(Value base, std::uint32_t n);

// The constant of input slice `index` (from 0): the index-th power of two whose exponent is
// not divisible by 3, 5, 17 or 257, so that it has the full order 65535. 32768 exist.
Value inputConstant(std::uint32_t index);
inline constexpr std::uint32_t kInputConstants = 32768;

// The hot loop of making and using recovery data: to ^= factor * from, word by word, each word
// of two bytes little-endian as PAR2 stores them; words is the count of words.
// With the processor's vector instructions where it has them.
void multiplyAdd(Value factor, const std::byte* from, std::byte* to, std::size_t words);
// The same bytes by table lookups alone, on any processor.
void multiplyAddPortable(Value factor, const std::byte* from, std::byte* to, std::size_t words);

}  // namespace roruvez::gf16

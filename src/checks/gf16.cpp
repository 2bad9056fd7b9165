#include "checks/gf16.h"

#include <array>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <cstring>
#include <vector>

namespace roruvez::gf16 {

namespace {

constexpr std::uint32_t kGenerator = 0x1100B;
constexpr std::uint32_t kOrder = 65535;

struct Tables {
    std::array<Value, std::size_t{kOrder} * 2> exp{};
    std::array<std::uint32_t, 65536> log{};
    std::vector<std::uint32_t> constantExponents;
    Tables() {
        std::uint32_t value = 1;
        for (std::uint32_t n = 0; n < kOrder; ++n) {
            exp[n] = static_cast<Value>(value);
            exp[n + kOrder] = static_cast<Value>(value);
            log[value] = n;
            value <<= 1U;
            if ((value & 0x10000U) != 0) {
                value ^= kGenerator;
            }
        }
        for (std::uint32_t n = 1; constantExponents.size() < kInputConstants; ++n) {
            if (n % 3 != 0 && n % 5 != 0 && n % 17 != 0 && n % 257 != 0) {
                constantExponents.push_back(n);
            }
        }
    }
};

const Tables& tables() {
    static const Tables made;
    return made;
}

}  // namespace

Value multiply(Value a, Value b) {
    if (a == 0 || b == 0) {
        return 0;
    }
    const Tables& t = tables();
    return t.exp[t.log[a] + t.log[b]];
}

Value divide(Value a, Value b) {
    if (a == 0) {
        return 0;
    }
    const Tables& t = tables();
    return t.exp[t.log[a] + kOrder - t.log[b]];
}

Value powerOfTwo(std::uint32_t n) {
    return tables().exp[n % kOrder];
}

Value power(Value base, std::uint32_t n) {
    if (n == 0) {
        return 1;
    }
    if (base == 0) {
        return 0;
    }
    const Tables& t = tables();
    return t
        .exp[static_cast<std::uint32_t>((static_cast<std::uint64_t>(t.log[base]) * n) % kOrder)];
}

Value inputConstant(std::uint32_t index) {
    return powerOfTwo(tables().constantExponents.at(index));
}

void multiplyAddPortable(Value factor, const std::byte* from, std::byte* to, std::size_t words) {
    if (factor == 0) {
        return;
    }
    // A product splits over the two bytes of a word: one lookup for each.
    std::array<Value, 256> low{};
    std::array<Value, 256> high{};
    for (std::uint32_t b = 0; b < 256; ++b) {
        low[b] = multiply(factor, static_cast<Value>(b));
        high[b] = multiply(factor, static_cast<Value>(b << 8U));
    }
    for (std::size_t i = 0; i < words; ++i) {
        const auto lo = std::to_integer<std::uint8_t>(from[2 * i]);
        const auto hi = std::to_integer<std::uint8_t>(from[2 * i + 1]);
        const Value product = low[lo] ^ high[hi];
        to[2 * i] ^= std::byte(product & 0xFFU);
        to[2 * i + 1] ^= std::byte(product >> 8U);
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

namespace {

// The product splits over the word's four nibbles too, and sixteen-entry tables are what a
// byte shuffle looks up: thirty-two words at a time, their low and high bytes apart.
__attribute__((target("avx2"))) std::size_t multiplyAddAvx2(Value factor, const std::byte* from,
                                                            std::byte* to, std::size_t words) {
    alignas(16) std::array<std::array<std::uint8_t, 16>, 8> tables{};
    for (std::size_t nibble = 0; nibble < 4; ++nibble) {
        for (std::size_t n = 0; n < 16; ++n) {
            const Value product = multiply(factor, static_cast<Value>(n << (4 * nibble)));
            tables[2 * nibble][n] = static_cast<std::uint8_t>(product & 0xFFU);
            tables[2 * nibble + 1][n] = static_cast<std::uint8_t>(product >> 8U);
        }
    }
    __m256i table[8];
    for (std::size_t t = 0; t < 8; ++t) {
        table[t] = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(tables[t].data())));
    }
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    const __m256i nibbles = _mm256_set1_epi8(0x0F);
    std::size_t done = 0;
    for (; done + 32 <= words; done += 32) {
        auto* out = reinterpret_cast<__m256i*>(to + 2 * done);
        const auto* in = reinterpret_cast<const __m256i*>(from + 2 * done);
        const __m256i x = _mm256_loadu_si256(in);
        const __m256i y = _mm256_loadu_si256(in + 1);
        const __m256i lo =
            _mm256_packus_epi16(_mm256_and_si256(x, lowBytes), _mm256_and_si256(y, lowBytes));
        const __m256i hi = _mm256_packus_epi16(_mm256_srli_epi16(x, 8), _mm256_srli_epi16(y, 8));
        const __m256i n0 = _mm256_and_si256(lo, nibbles);
        const __m256i n1 = _mm256_and_si256(_mm256_srli_epi16(lo, 4), nibbles);
        const __m256i n2 = _mm256_and_si256(hi, nibbles);
        const __m256i n3 = _mm256_and_si256(_mm256_srli_epi16(hi, 4), nibbles);
        const __m256i productLo = _mm256_xor_si256(
            _mm256_xor_si256(_mm256_shuffle_epi8(table[0], n0), _mm256_shuffle_epi8(table[2], n1)),
            _mm256_xor_si256(_mm256_shuffle_epi8(table[4], n2), _mm256_shuffle_epi8(table[6], n3)));
        const __m256i productHi = _mm256_xor_si256(
            _mm256_xor_si256(_mm256_shuffle_epi8(table[1], n0), _mm256_shuffle_epi8(table[3], n1)),
            _mm256_xor_si256(_mm256_shuffle_epi8(table[5], n2), _mm256_shuffle_epi8(table[7], n3)));
        _mm256_storeu_si256(out, _mm256_xor_si256(_mm256_loadu_si256(out),
                                                  _mm256_unpacklo_epi8(productLo, productHi)));
        _mm256_storeu_si256(out + 1, _mm256_xor_si256(_mm256_loadu_si256(out + 1),
                                                      _mm256_unpackhi_epi8(productLo, productHi)));
    }
    return done;
}

bool hasAvx2() {
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);
    return has;
}

}  // namespace

void multiplyAdd(Value factor, const std::byte* from, std::byte* to, std::size_t words) {
    std::size_t done = 0;
    if (hasAvx2() && factor != 0 && words >= 32) {
        done = multiplyAddAvx2(factor, from, to, words);
    }
    multiplyAddPortable(factor, from + 2 * done, to + 2 * done, words - done);
}

#else

void multiplyAdd(Value factor, const std::byte* from, std::byte* to, std::size_t words) {
    multiplyAddPortable(factor, from, to, words);
}

#endif

}  // namespace roruvez::gf16

#include "checks/gf16.h"

#include <array>
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

void multiplyAdd(Value factor, const std::byte* from, std::byte* to, std::size_t words) {
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

}  // namespace roruvez::gf16

#include "text/byte_count.h"

#include <array>
#include <limits>

#include "text/text.h"

namespace roruvez {

namespace {

struct Suffix {
    std::string_view text;  // lower case
    std::int64_t factor;
};

constexpr std::int64_t kKibi = 1024;
constexpr std::int64_t kKilo = 1000;

constexpr std::array<Suffix, 10> kSuffixes = {{
    {"", 1},
    {"k", kKibi},
    {"kib", kKibi},
    {"kb", kKilo},
    {"m", kKibi* kKibi},
    {"mib", kKibi* kKibi},
    {"mb", kKilo* kKilo},
    {"g", kKibi* kKibi* kKibi},
    {"gib", kKibi* kKibi* kKibi},
    {"gb", kKilo* kKilo* kKilo},
}};

}  // namespace

std::optional<std::int64_t> readByteCount(std::string_view text) {
    constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
    std::size_t digits = 0;
    std::int64_t count = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        const int digit = text[digits] - '0';
        if (count > (kMost - digit) / 10) {
            return std::nullopt;
        }
        count = count * 10 + digit;
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    const std::string_view unit = text.substr(digits);
    for (const Suffix& suffix : kSuffixes) {
        if (toLowerAscii(unit) == suffix.text) {
            if (count > kMost / suffix.factor) {
                return std::nullopt;
            }
            return count * suffix.factor;
        }
    }
    return std::nullopt;
}

}  // namespace roruvez

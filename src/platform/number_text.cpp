#include "platform/number_text.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "platform/error.h"

namespace roruvez {

namespace {

bool isIgnored(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool isDigitIn(char c, int base) {
    if (base == 16) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }
    if (base == 8) {
        return c >= '0' && c <= '7';
    }
    return c >= '0' && c <= '9';
}

std::int32_t toInt32(double value) {
    if (!std::isfinite(value) || value < -2147483648.5 || value > 2147483647.5) {
        throw PlatformError(error_text::kOverflow);
    }
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        throw PlatformError(error_text::kOverflow);
    }
    return static_cast<std::int32_t>(rounded);
}

std::int32_t readPrefixed(const std::string& digits, int base) {
    double value = 0;
    for (char c : digits) {
        if (!isDigitIn(c, base)) {
            break;
        }
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else {
            digit = (c | 0x20) - 'a' + 10;
        }
        value = value * base + digit;
        if (value > 1e12) {
            throw PlatformError(error_text::kOverflow);
        }
    }
    return toInt32(value);
}

}  // namespace

std::int32_t readNumberText(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (!isIgnored(c)) {
            compact.push_back(c);
        }
    }

    if (compact.size() >= 2 && compact[0] == '&') {
        const char kind = static_cast<char>(compact[1] | 0x20);
        if (kind == 'h') {
            return readPrefixed(compact.substr(2), 16);
        }
        if (kind == 'o') {
            return readPrefixed(compact.substr(2), 8);
        }
        return 0;
    }

    // Take the longest prefix shaped like [sign] digits [. digits] [exponent [sign] digits].
    std::string number;
    std::size_t i = 0;
    auto digitsAt = [&](std::size_t from) {
        std::size_t j = from;
        while (j < compact.size() && isDigitIn(compact[j], 10)) {
            ++j;
        }
        return j - from;
    };
    bool negative = false;
    if (i < compact.size() && (compact[i] == '+' || compact[i] == '-')) {
        negative = compact[i] == '-';
        ++i;
    }
    const std::size_t intDigits = digitsAt(i);
    number.append(compact, i, intDigits);
    i += intDigits;
    std::size_t fracDigits = 0;
    if (i < compact.size() && compact[i] == '.') {
        fracDigits = digitsAt(i + 1);
        number.push_back('.');
        number.append(compact, i + 1, fracDigits);
        i += 1 + fracDigits;
    }
    if (intDigits == 0 && fracDigits == 0) {
        return 0;
    }
    if (i < compact.size()) {
        const char e = static_cast<char>(compact[i] | 0x20);
        if (e == 'e' || e == 'd') {
            std::size_t j = i + 1;
            std::string exponent = "e";
            if (j < compact.size() && (compact[j] == '+' || compact[j] == '-')) {
                exponent.push_back(compact[j]);
                ++j;
            }
            const std::size_t expDigits = digitsAt(j);
            if (expDigits > 0) {
                exponent.append(compact, j, expDigits);
                number += exponent;
            }
        }
    }
    if (number.front() == '.') {
        number.insert(number.begin(), '0');
    }

    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; only a huge magnitude is an overflow.
        const auto expAt = number.find('e');
        if (expAt != std::string::npos && number.compare(expAt, 2, "e-") == 0) {
            return 0;
        }
        throw PlatformError(error_text::kOverflow);
    }
    if (result.ec != std::errc()) {
        return 0;
    }
    return toInt32(negative ? -value : value);
}

}  // namespace roruvez

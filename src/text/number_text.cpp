#include "text/number_text.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "platform/error.h"
#include "text/byte_count.h"

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

// The text after "&H" (hexadecimal) or "&O" (octal), read up to the first character that is not
// a digit of its base.
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

// A number written with "&": any other letter after it reads as 0.
std::int32_t readAmpersandNumber(const std::string& compact) {
    const char kind = static_cast<char>(compact[1] | 0x20);
    if (kind == 'h') {
        return readPrefixed(compact.substr(2), 16);
    }
    if (kind == 'o') {
        return readPrefixed(compact.substr(2), 8);
    }
    return 0;
}

std::string withoutIgnored(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (!isIgnored(c)) {
            compact.push_back(c);
        }
    }
    return compact;
}

std::size_t digitsFrom(const std::string& text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && isDigitIn(text[end], 10)) {
        ++end;
    }
    return end - from;
}

// The exponent that starts at text[at] ("E" or "D", a sign, digits) as from_chars reads it
// ("e-12"); empty where there is none.
std::string exponentAt(const std::string& text, std::size_t at) {
    if (at >= text.size()) {
        return {};
    }
    const char e = static_cast<char>(text[at] | 0x20);
    if (e != 'e' && e != 'd') {
        return {};
    }
    std::size_t next = at + 1;
    std::string exponent = "e";
    if (next < text.size() && (text[next] == '+' || text[next] == '-')) {
        exponent.push_back(text[next]);
        ++next;
    }
    const std::size_t count = digitsFrom(text, next);
    if (count == 0) {
        return {};
    }
    exponent.append(text, next, count);
    return exponent;
}

struct Decimal {
    bool negative = false;
    std::string magnitude;  // as from_chars reads it; empty when the text holds no number
};

// The longest prefix shaped like [sign] digits [. digits] [exponent [sign] digits].
Decimal decimalPrefix(const std::string& text) {
    Decimal decimal;
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        decimal.negative = text[at] == '-';
        ++at;
    }
    const std::size_t intDigits = digitsFrom(text, at);
    // from_chars wants a digit before the point.
    std::string number = intDigits == 0 ? "0" : text.substr(at, intDigits);
    at += intDigits;
    std::size_t fracDigits = 0;
    if (at < text.size() && text[at] == '.') {
        fracDigits = digitsFrom(text, at + 1);
        number.push_back('.');
        number.append(text, at + 1, fracDigits);
        at += 1 + fracDigits;
    }
    if (intDigits > 0 || fracDigits > 0) {
        decimal.magnitude = number + exponentAt(text, at);
    }
    return decimal;
}

// Underflow reads as zero; only a huge magnitude is an overflow.
double magnitudeValue(const std::string& magnitude) {
    double value = 0;
    const auto result =
        std::from_chars(magnitude.data(), magnitude.data() + magnitude.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (magnitude.find("e-") != std::string::npos) {
            return 0;
        }
        throw PlatformError(error_text::kOverflow);
    }
    if (result.ec != std::errc()) {
        return 0;
    }
    return value;
}

// whole bytes plus the decimal fraction ("44" of "1.44M") of the suffix's unit, rounded to the
// nearest byte, halves up; nothing where it does not fit in 63 bits.
std::optional<std::int64_t> withFraction(std::int64_t whole, std::string_view fraction,
                                         std::string_view suffix) {
    std::string one = "1";
    one += suffix;
    const auto unit = readByteCount(one);
    if (!unit) {
        return std::nullopt;
    }
    // Digits past the eighteenth are below a billionth of a byte for any unit there is.
    fraction = fraction.substr(0, 18);
    __extension__ using Wide = __int128;
    Wide numerator = 0;
    Wide denominator = 1;
    for (char digit : fraction) {
        numerator = numerator * 10 + (digit - '0');
        denominator *= 10;
    }
    const Wide part = (numerator * *unit * 2 + denominator) / (denominator * 2);
    const Wide total = whole + part;
    if (total > std::numeric_limits<std::int64_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(total);
}

}  // namespace

std::int32_t readNumberText(std::string_view text) {
    const std::string compact = withoutIgnored(text);
    if (compact.size() >= 2 && compact[0] == '&') {
        return readAmpersandNumber(compact);
    }
    const Decimal decimal = decimalPrefix(compact);
    if (decimal.magnitude.empty()) {
        return 0;
    }
    const double value = magnitudeValue(decimal.magnitude);
    return toInt32(decimal.negative ? -value : value);
}

std::int32_t readPieceSizeText(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isIgnored(text[begin])) {
        ++begin;
    }
    while (end > begin && isIgnored(text[end - 1])) {
        --end;
    }
    std::size_t digitsEnd = begin;
    while (digitsEnd < end && isDigitIn(text[digitsEnd], 10)) {
        ++digitsEnd;
    }
    std::size_t fractionEnd = digitsEnd;
    if (digitsEnd > begin && fractionEnd < end && text[fractionEnd] == '.') {
        ++fractionEnd;
        while (fractionEnd < end && isDigitIn(text[fractionEnd], 10)) {
            ++fractionEnd;
        }
    }
    std::size_t unit = fractionEnd;
    while (unit < end && isIgnored(text[unit])) {
        ++unit;
    }
    // Only a suffix changes the reading; bare digits and all else read as they always have.
    if (digitsEnd == begin || unit == end || isDigitIn(text[unit], 10)) {
        return readNumberText(text);
    }
    const std::string_view suffix = text.substr(unit, end - unit);
    std::string count(text.substr(begin, digitsEnd - begin));
    count += suffix;
    auto bytes = readByteCount(count);
    if (bytes && fractionEnd > digitsEnd) {
        bytes =
            withFraction(*bytes, text.substr(digitsEnd + 1, fractionEnd - digitsEnd - 1), suffix);
    }
    if (!bytes) {
        return readNumberText(text);
    }
    if (*bytes > std::numeric_limits<std::int32_t>::max()) {
        throw PlatformError(error_text::kOverflow);
    }
    return static_cast<std::int32_t>(*bytes);
}

}  // namespace roruvez

#include "text/text.h"

#include "platform/error.h"

namespace roruvez {

namespace {

std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    } else {
        return 1;
    }
    if (at + length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 1;
        }
    }
    const auto second = static_cast<unsigned char>(text[at + 1]);
    // Overlong forms, surrogates and values above U+10FFFF are not characters.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 1;
    }
    return length;
}

}  // namespace

std::vector<std::string_view> splitCharacters(std::string_view text) {
    std::vector<std::string_view> characters;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = sequenceLength(text, at);
        characters.push_back(text.substr(at, length));
        at += length;
    }
    return characters;
}

std::size_t characterCount(std::string_view text) {
    return splitCharacters(text).size();
}

std::string padToWidth(std::string_view text, std::size_t width) {
    const std::size_t count = characterCount(text);
    if (count > width) {
        throw PlatformError(error_text::kOverflow);
    }
    std::string padded(text);
    padded.append(width - count, ' ');
    return padded;
}

std::string toUpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

char toLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string toLowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = toLowerAscii(c);
    }
    return lower;
}

std::string zeroPadded(int value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), '0');
    }
    return digits;
}

}  // namespace roruvez

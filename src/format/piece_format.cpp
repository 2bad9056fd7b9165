#include "format/piece_format.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "text/text.h"

namespace roruvez {

std::string sizeFieldText(std::int64_t length) {
    std::string digits = std::to_string(length);
    return digits.size() < layoutOf(HeaderField::FileSize).width ? " " + digits : digits;
}

std::optional<std::int64_t> readSizeField(const std::string& field) {
    std::size_t at = field.find_first_not_of(' ');
    const std::size_t end = field.find_last_not_of(' ');
    if (at == std::string::npos) {
        return std::nullopt;
    }
    bool negative = false;
    if (field[at] == '+' || field[at] == '-') {
        negative = field[at] == '-';
        ++at;
    }
    if (at > end) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (; at <= end; ++at) {
        const char digit = field[at];
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        // The field is ten characters wide, so this cannot overflow; the guard keeps it so.
        if (value > (std::numeric_limits<std::int64_t>::max() - 9) / 10) {
            return std::nullopt;
        }
        value = value * 10 + (digit - '0');
    }
    return negative ? -value : value;
}

std::string_view headerField(std::string_view header, HeaderField field) {
    const HeaderFieldLayout& layout = layoutOf(field);
    return header.substr(std::min(layout.offset, header.size()), layout.width);
}

std::optional<int> pieceNumberOf(std::string_view name) {
    const std::string_view base = kPieceBaseName;
    if (name.size() <= base.size() || toLowerAscii(name.substr(0, base.size())) != base) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(base.size());
    int number = 0;
    const auto [end, failure] =
        std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (failure != std::errc() || end != digits.data() + digits.size() || digits[0] == '0' ||
        number < 1 || number > kMaxPieces) {
        return std::nullopt;
    }
    return number;
}

std::string pieceName(const std::string& prefix, int number, std::string_view baseName) {
    std::string name = prefix;
    name += baseName;
    name += std::to_string(number);
    return name;
}

bool isFirstPieceName(std::string_view path) {
    return path.size() >= kFirstPieceName.size() &&
           toLowerAscii(path.substr(path.size() - kFirstPieceName.size())) == kFirstPieceName;
}

bool isRecoveryIndexName(std::string_view path) {
    return path.size() >= kRecoveryIndexName.size() &&
           toLowerAscii(path.substr(path.size() - kRecoveryIndexName.size())) == kRecoveryIndexName;
}

std::string firstPieceBesideIndex(const std::string& indexPath) {
    return indexPath.substr(0, indexPath.size() - std::string_view("par2").size()) + "1";
}

}  // namespace roruvez

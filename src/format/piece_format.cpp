#include "format/piece_format.h"

#include "text/text.h"

namespace roruvez {

std::string sizeFieldText(std::int64_t length) {
    std::string digits = std::to_string(length);
    return digits.size() < layoutOf(HeaderField::FileSize).width ? " " + digits : digits;
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

}  // namespace roruvez

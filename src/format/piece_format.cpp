#include "format/piece_format.h"

namespace roruvez {

std::string pieceName(const std::string& prefix, int number, std::string_view baseName) {
    std::string name = prefix;
    name += baseName;
    name += std::to_string(number);
    return name;
}

bool isFirstPieceName(std::string_view path) {
    if (path.size() < kFirstPieceName.size()) {
        return false;
    }
    const std::string_view tail = path.substr(path.size() - kFirstPieceName.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != kFirstPieceName[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace roruvez

#include "platform/error.h"

#include <cstring>
#include <utility>

namespace roruvez {

std::string describeErrno(int errnum) {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(errnum, buffer, sizeof buffer);
    return text;
}

PlatformError::PlatformError(int errnum, std::string path)
    : std::runtime_error(describeErrno(errnum)), errnum_(errnum), path_(std::move(path)) {}

PlatformError::PlatformError(const std::string& description, std::string path)
    : std::runtime_error(description), path_(std::move(path)) {}

PiecesFailure::PiecesFailure(const std::string& description, std::vector<std::string> pieces,
                             std::string note)
    : PlatformError(description), pieces_(std::move(pieces)), note_(std::move(note)) {}

std::string PiecesFailure::boxList(const std::vector<std::string>& pieces) {
    std::string list;
    for (std::size_t i = 0; i < pieces.size() && i < kShownInBox; ++i) {
        list += "\r\n" + pieces[i];
    }
    if (pieces.size() > kShownInBox) {
        list +=
            "\r\nand " + std::to_string(pieces.size() - kShownInBox) + " more, which the log lists";
    }
    return list;
}

void throwErrno(int errnum, const std::string& path) {
    throw PlatformError(errnum, path);
}

}  // namespace roruvez

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
    : errnum_(errnum), path_(std::move(path)), cause_(describeErrno(errnum)) {
    compose();
}

PlatformError::PlatformError(std::string description, std::string path)
    : path_(std::move(path)), cause_(std::move(description)) {
    compose();
}

PlatformError& PlatformError::during(const std::string& doing) {
    doing_ = doing_.empty() ? doing : doing + ": " + doing_;
    compose();
    return *this;
}

PlatformError& PlatformError::concerning(std::vector<std::string> pieces, std::string note,
                                         std::string lastWord) {
    pieces_ = std::move(pieces);
    pieceNote_ = std::move(note);
    lastWord_ = std::move(lastWord);
    compose();
    return *this;
}

PlatformError& PlatformError::leaving(const std::string& leftOver) {
    leftOver_.push_back(leftOver);
    compose();
    return *this;
}

void PlatformError::compose() {
    text_ = doing_.empty() ? cause_ : doing_ + ": " + cause_;
    for (std::size_t i = 0; i < pieces_.size() && i < kShownInBox; ++i) {
        text_ += "\r\n" + pieces_[i];
    }
    if (pieces_.size() > kShownInBox) {
        text_ += "\r\nand " + std::to_string(pieces_.size() - kShownInBox) +
                 " more, which the log lists";
    }
    if (!lastWord_.empty()) {
        text_ += "\r\n" + lastWord_;
    }
    for (const std::string& line : leftOver_) {
        text_ += "\r\n" + line;
    }
}

void throwErrno(int errnum, const std::string& path) {
    throw PlatformError(errnum, path);
}

}  // namespace roruvez

#include "platform/error.h"

#include <cstring>

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

void throwErrno(int errnum, const std::string& path) {
    throw PlatformError(errnum, path);
}

}  // namespace roruvez

// Read from the bytes as they came, not through QUrl: its paths are QStrings decoded from UTF-8,
// which turns a name's stray bytes into U+FFFD.

#include "window/file_url.h"

#include "text/text.h"

namespace roruvez {

namespace {

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && toLowerAscii(text.substr(0, prefix.size())) == prefix;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A '%' that does not start an escape stands for itself, as lenient readers take it.
std::optional<std::string> percentDecoded(std::string_view path) {
    std::string bytes;
    bytes.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const int high = path[i] == '%' && i + 2 < path.size() ? hexValue(path[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(path[i + 2]) : -1;
        if (low < 0) {
            bytes.push_back(path[i]);
            continue;
        }
        const auto byte = static_cast<char>(high * 16 + low);
        if (byte == '\0' || byte == '/') {
            return std::nullopt;
        }
        bytes.push_back(byte);
        i += 2;
    }
    return bytes;
}

std::string_view trimmed(std::string_view line) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\0'; };
    while (!line.empty() && blank(line.front())) {
        line.remove_prefix(1);
    }
    while (!line.empty() && blank(line.back())) {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

std::optional<std::string> localPathOfUrl(std::string_view url) {
    constexpr std::string_view kScheme = "file:";
    if (!startsWithIgnoringCase(url, kScheme)) {
        return std::nullopt;
    }
    std::string_view rest = url.substr(kScheme.size());
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t pathStart = rest.find('/');
        const std::string_view host = rest.substr(0, pathStart);
        if (!host.empty() && !(host.size() == 9 && startsWithIgnoringCase(host, "localhost"))) {
            return std::nullopt;
        }
        rest = pathStart == std::string_view::npos ? std::string_view() : rest.substr(pathStart);
    }
    // A query or a fragment is no part of the name; a name's own '?' and '#' come encoded.
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (!rest.starts_with('/')) {
        return std::nullopt;
    }
    return percentDecoded(rest);
}

std::vector<std::string> localPathsOfUriList(std::string_view list) {
    std::vector<std::string> paths;
    while (!list.empty()) {
        const std::size_t end = list.find('\n');
        const std::string_view line = trimmed(list.substr(0, end));
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (std::optional<std::string> path = localPathOfUrl(line)) {
            paths.push_back(std::move(*path));
        }
    }
    return paths;
}

}  // namespace roruvez

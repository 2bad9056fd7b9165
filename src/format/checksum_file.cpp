#include "format/checksum_file.h"

#include "platform/text.h"

namespace roruvez {

namespace {

constexpr std::size_t kDigestLength = 64;

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

std::string checksumLine(const std::string& hexDigest, const std::string& name) {
    return hexDigest + "  " + name + "\n";
}

std::optional<std::map<std::string, std::string>> readChecksumFile(
    std::string_view text, const std::function<bool(std::string_view)>& wanted) {
    if (text.size() > kMaxChecksumFileBytes) {
        return std::nullopt;
    }
    std::map<std::string, std::string> digests;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // Copied through another system, a list may end its lines with CR LF.
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        // sha256sum marks a name holding a backslash or a line break with a backslash in
        // front; no name of a set holds either, so such a line is someone else's.
        const bool escaped = line.front() == '\\';
        if (escaped) {
            line.remove_prefix(1);
        }
        if (line.size() < kDigestLength + 3 || line[kDigestLength] != ' ' ||
            (line[kDigestLength + 1] != ' ' && line[kDigestLength + 1] != '*')) {
            return std::nullopt;
        }
        const std::string_view digest = line.substr(0, kDigestLength);
        for (char c : digest) {
            if (!isHex(c)) {
                return std::nullopt;
            }
        }
        const std::string_view name = line.substr(kDigestLength + 2);
        if (escaped || !wanted(name)) {
            continue;
        }
        const auto [at, added] = digests.emplace(std::string(name), toLowerAscii(digest));
        if (!added && at->second != toLowerAscii(digest)) {
            return std::nullopt;
        }
    }
    return digests;
}

}  // namespace roruvez

#include "format/checksum_file.h"

#include <utility>

#include "format/piece_format.h"
#include "format/stored_name.h"
#include "text/text.h"

namespace roruvez {

namespace {

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// sha256sum writes a name holding a backslash or a line break with a backslash before the line
// and these escapes in the name; any other escape is not its.
std::optional<std::string> unescaped(std::string_view name) {
    std::string plain;
    for (std::size_t at = 0; at < name.size(); ++at) {
        if (name[at] != '\\') {
            plain.push_back(name[at]);
            continue;
        }
        if (++at == name.size()) {
            return std::nullopt;
        }
        switch (name[at]) {
            case '\\':
                plain.push_back('\\');
                break;
            case 'n':
                plain.push_back('\n');
                break;
            case 'r':
                plain.push_back('\r');
                break;
            default:
                return std::nullopt;
        }
    }
    return plain;
}

// The file sha256sum -c opens for a name, relative to the list: it reads the name as a C string,
// so up to a NUL, and "./breldo.2" is breldo.2.
std::string_view asOpened(std::string_view name) {
    name = name.substr(0, name.find('\0'));
    while (name.starts_with("./")) {
        name.remove_prefix(2);
    }
    return name;
}

}  // namespace

std::string checksumFileName(std::string_view baseName) {
    // A set shown in upper case (BRELDO.1 on a FAT disk read without long names) has its list
    // shown so too.
    const bool upper = toUpperAscii(baseName) == baseName;
    return std::string(baseName) + (upper ? "SHA256" : "sha256");
}

std::string checksumLine(const std::string& hexDigest, const std::string& name) {
    return hexDigest + "  " + name + "\n";
}

bool isSetFileName(std::string_view name) {
    const std::string lower = toLowerAscii(name);
    return pieceNumberOf(name) || lower == kChecksumFileName ||
           (lower.starts_with(kPieceBaseName) && lower.ends_with(".par2"));
}

bool isKeepableLongName(const std::string& name) {
    return name.size() <= kMaxLongNameBytes && unsafeNameReason(name).empty() &&
           !isSetFileName(name);
}

std::optional<std::vector<ListedFile>> checksumLines(std::string_view text) {
    if (text.size() > kMaxChecksumFileBytes) {
        return std::nullopt;
    }
    std::vector<ListedFile> lines;
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
        const bool escaped = line.front() == '\\';
        if (escaped) {
            line.remove_prefix(1);
        }
        if (line.size() < kHexDigestLength + 3 || line[kHexDigestLength] != ' ' ||
            (line[kHexDigestLength + 1] != ' ' && line[kHexDigestLength + 1] != '*')) {
            return std::nullopt;
        }
        const std::string_view digest = line.substr(0, kHexDigestLength);
        for (char c : digest) {
            if (!isHex(c)) {
                return std::nullopt;
            }
        }
        std::string name(line.substr(kHexDigestLength + 2));
        if (escaped) {
            auto plain = unescaped(name);
            if (!plain) {
                return std::nullopt;
            }
            name = std::move(*plain);
        }
        lines.push_back({std::string(asOpened(name)), toLowerAscii(digest)});
    }
    return lines;
}

std::optional<std::map<std::string, std::string>> readChecksumFile(
    std::string_view text, const std::function<bool(std::string_view)>& wanted) {
    auto lines = checksumLines(text);
    if (!lines) {
        return std::nullopt;
    }
    std::map<std::string, std::string> digests;
    for (ListedFile& line : *lines) {
        if (!wanted(line.name)) {
            continue;
        }
        const auto [at, added] = digests.emplace(std::move(line.name), line.digest);
        if (!added && at->second != line.digest) {
            return std::nullopt;
        }
    }
    return digests;
}

std::optional<std::string> keptLongName(std::string_view text, const std::string& shortName) {
    const auto lines = checksumLines(text);
    if (!lines) {
        return std::nullopt;
    }
    std::optional<std::string> shortDigest;
    std::vector<const ListedFile*> others;
    for (const ListedFile& line : *lines) {
        if (line.name == shortName) {
            if (shortDigest && *shortDigest != line.digest) {
                return std::nullopt;
            }
            shortDigest = line.digest;
        } else if (!isSetFileName(line.name)) {
            others.push_back(&line);
        }
    }
    // Any doubt which line is the file's gives the name the header records.
    if (!shortDigest || others.size() != 1 || others.front()->digest != *shortDigest ||
        !isKeepableLongName(others.front()->name)) {
        return std::nullopt;
    }
    return others.front()->name;
}

}  // namespace roruvez

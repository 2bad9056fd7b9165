#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace roruvez {

// A set may carry breldo.sha256 beside its pieces, in the format of coreutils' sha256sum: one
// line per piece file and one for the whole file under its restored name, each the 64 lowercase
// hex digits of the SHA-256, two blanks and the name. "sha256sum -c" checks it.
inline constexpr const char* kChecksumFileName = "breldo.sha256";

// The list's name beside a set whose piece names begin with baseName ("breldo.", "BRELDO.").
std::string checksumFileName(std::string_view baseName);

// A SHA-256 as the list writes it: lowercase hex digits.
inline constexpr std::size_t kHexDigestLength = 64;

// A list for a whole set of 10,000 pieces is under 1 MiB; a larger file is not one of ours.
inline constexpr std::size_t kMaxChecksumFileBytes = std::size_t{4} << 20;

// One line of the file.
std::string checksumLine(const std::string& hexDigest, const std::string& name);

// Reads a checksum file for a set: the digests (lowercase) of the names wanted, every other
// line ignored, so that nothing outside the set is ever looked at. Names are read as sha256sum -c
// reads them: escapes undone, up to a NUL, "./" in front dropped. Nothing when the text is not
// such a file: larger than kMaxChecksumFileBytes, a line not in the format, or one name given
// two digests.
std::optional<std::map<std::string, std::string>> readChecksumFile(
    std::string_view text, const std::function<bool(std::string_view)>& wanted);

}  // namespace roruvez

#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A line of a list: the name as sha256sum -c opens it (escapes undone, up to a NUL, "./" in
// front dropped) and its digest in lowercase.
struct ListedFile {
    std::string name;
    std::string digest;
};
// Every line of a list, in order; nothing when the text is not such a file: larger than
// kMaxChecksumFileBytes or a line not in the format.
std::optional<std::vector<ListedFile>> checksumLines(std::string_view text);

// Reads a checksum file for a set: the digests (lowercase) of the names wanted, every other
// line ignored, so that nothing outside the set is ever looked at. Names are read as sha256sum -c
// reads them: escapes undone, up to a NUL, "./" in front dropped. Nothing when the text is not
// such a file: larger than kMaxChecksumFileBytes, a line not in the format, or one name given
// two digests.
std::optional<std::map<std::string, std::string>> readChecksumFile(
    std::string_view text, const std::function<bool(std::string_view)>& wanted);

// A name beside a set that is the set's own: a piece, the list, the recovery files.
bool isSetFileName(std::string_view name);

// When the 8.3 rule shortens a name, the list keeps the long one in a second line for the whole
// file. A name kept so must be one a join may restore in its directory, and not one of the set's.
inline constexpr std::size_t kMaxLongNameBytes = 255;
bool isKeepableLongName(const std::string& name);

// The long name a list keeps for the file restored as shortName: the one line besides the set's
// files and shortName's own, when its digest is shortName's and the name is keepable. Nothing
// otherwise, and the file is restored as shortName.
std::optional<std::string> keptLongName(std::string_view text, const std::string& shortName);

}  // namespace roruvez

#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace roruvez {

// A byte count as coreutils `split -b` reads one: digits, then optionally K, M or G (powers of
// 1024, also KiB, MiB, GiB) or KB, MB, GB (powers of 1000), the letters in either case. Nothing
// when the text is not of that form or the count does not fit in 63 bits.
std::optional<std::int64_t> readByteCount(std::string_view text);

}  // namespace roruvez

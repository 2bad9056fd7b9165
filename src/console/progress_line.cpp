#include "console/progress_line.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace roruvez {

namespace {

std::string rateText(double bytesPerSecond) {
    static constexpr std::array<const char*, 4> kUnits = {"B/s", "KiB/s", "MiB/s", "GiB/s"};
    std::size_t unit = 0;
    while (bytesPerSecond >= 1024.0 && unit + 1 < kUnits.size()) {
        bytesPerSecond /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", bytesPerSecond, kUnits[unit]);
    return text;
}

std::string durationText(double seconds) {
    const auto whole = static_cast<long long>(std::ceil(std::min(seconds, 359999.0)));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    }
    return text;
}

}  // namespace

std::string progressLineText(const JobProgress& done, std::optional<double> bytesPerSecond) {
    // A set whose pieces hold more than its header says must not show more than all of it.
    const std::int64_t total = std::max<std::int64_t>(done.jobTotal, 0);
    const std::int64_t bytes = std::clamp<std::int64_t>(done.jobBytes, 0, total);
    const std::int64_t percent = total == 0 ? 100 : bytes * 100 / total;
    std::string line = "piece " + std::to_string(done.pieceNumber) + ": " + std::to_string(bytes) +
                       " of " + std::to_string(total) + " bytes, " + std::to_string(percent) +
                       "%, ";
    if (bytesPerSecond && *bytesPerSecond > 0.0) {
        line += rateText(*bytesPerSecond) + ", " +
                durationText(static_cast<double>(total - bytes) / *bytesPerSecond) + " left";
    } else {
        line += "--- B/s, --:-- left";
    }
    return line;
}

}  // namespace roruvez

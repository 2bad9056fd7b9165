#pragma once

#include <optional>
#include <string>

#include "state/status_surface.h"

namespace roruvez {

// The text of the console's progress line: piece number, the job's bytes done of its total, the
// percentage, the rate and the time left. Without a rate, both rate and time left show as
// unknown.
std::string progressLineText(const JobProgress& done, std::optional<double> bytesPerSecond);

}  // namespace roruvez

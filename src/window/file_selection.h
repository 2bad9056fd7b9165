#pragma once

#include <string>

namespace roruvez {

// A first piece is any path whose last eight characters are "breldo.1" in any case.
bool isFirstPieceName(const std::string& path);

}  // namespace roruvez

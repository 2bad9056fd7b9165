#include "window/palette.h"

#include <array>
#include <cmath>

namespace roruvez {

QColor paletteColour(int index) {
    static constexpr std::array<std::array<int, 3>, 16> kRgb{{{0, 0, 0},
                                                              {0, 0, 128},
                                                              {0, 128, 0},
                                                              {0, 128, 128},
                                                              {128, 0, 0},
                                                              {128, 0, 128},
                                                              {128, 128, 0},
                                                              {192, 192, 192},
                                                              {128, 128, 128},
                                                              {0, 0, 255},
                                                              {0, 255, 0},
                                                              {0, 255, 255},
                                                              {255, 0, 0},
                                                              {255, 0, 255},
                                                              {255, 255, 0},
                                                              {255, 255, 255}}};
    const auto& rgb = kRgb[static_cast<std::size_t>(index & 15)];
    return QColor(rgb[0], rgb[1], rgb[2]);
}

int twipsToPixels(int twips, double dotsPerInch) {
    return static_cast<int>(std::lround(twips * dotsPerInch / 1440.0));
}

}  // namespace roruvez

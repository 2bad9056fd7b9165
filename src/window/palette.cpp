#include "window/palette.h"

#include <algorithm>
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

namespace {

double luminance(const QColor& colour) {
    const auto channel = [](int value) {
        const double share = value / 255.0;
        return share <= 0.03928 ? share / 12.92 : std::pow((share + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) +
           0.0722 * channel(colour.blue());
}

}  // namespace

double contrastRatio(const QColor& one, const QColor& other) {
    const double a = luminance(one);
    const double b = luminance(other);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

int twipsToPixels(int twips, double dotsPerInch) {
    return static_cast<int>(std::lround(twips * dotsPerInch / 1440.0));
}

}  // namespace roruvez

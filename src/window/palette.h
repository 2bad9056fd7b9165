#pragma once

#include <QColor>

namespace roruvez {

// The 16-colour palette the lamp colours and the layout's colours index into.
QColor paletteColour(int index);

// The contrast ratio of two colours by their relative luminance, from 1 to 21; text is readable
// from 4.5 on.
double contrastRatio(const QColor& one, const QColor& other);
inline constexpr double kReadableContrast = 4.5;

// Layout positions are in twips: 1440 to the inch, so 15 to a pixel at 96 dpi.
int twipsToPixels(int twips, double dotsPerInch);

}  // namespace roruvez

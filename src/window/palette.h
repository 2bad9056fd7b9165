#pragma once

#include <QColor>

namespace roruvez {

// The 16-colour palette the lamp colours and the layout's colours index into.
QColor paletteColour(int index);

// Layout positions are in twips: 1440 to the inch, so 15 to a pixel at 96 dpi.
int twipsToPixels(int twips, double dotsPerInch);

}  // namespace roruvez

#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace roruvez {

// The window's icon drawn at size x size pixels in the 16-colour palette.
QImage drawIconImage(int size);

// Both images, 32 x 32 and 16 x 16.
QIcon makeWindowIcon();

// The same drawing as a scalable SVG document, for the desktop's icon theme.
QString iconSvg();

}  // namespace roruvez

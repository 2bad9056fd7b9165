#include "window/window_icon.h"

#include <QPainter>
#include <QPixmap>

#include "window/palette.h"

namespace roruvez {

namespace {

QList<QRgb> sixteenColours() {
    QList<QRgb> table;
    for (int index = 0; index < 16; ++index) {
        table.append(paletteColour(index).rgb());
    }
    return table;
}

}  // namespace

// A page on the blue band, cut in two by a red line, with the green lamp beside it. Drawn on a
// 32-unit grid and scaled, so both sizes show the same picture.
QImage drawIconImage(int size) {
    QImage canvas(size, size, QImage::Format_RGB32);
    canvas.fill(paletteColour(9));
    QPainter painter(&canvas);
    painter.scale(size / 32.0, size / 32.0);
    painter.setPen(Qt::NoPen);

    // The page, with its corner folded.
    painter.setBrush(paletteColour(15));
    const QPointF page[] = {{5, 3}, {18, 3}, {24, 9}, {24, 29}, {5, 29}};
    painter.drawPolygon(page, 5);
    painter.setBrush(paletteColour(7));
    const QPointF fold[] = {{18, 3}, {24, 9}, {18, 9}};
    painter.drawPolygon(fold, 3);
    painter.setBrush(paletteColour(8));
    for (int line = 0; line < 4; ++line) {
        painter.drawRect(QRectF(8, 11 + line * 4, 13, 1.5));
    }

    // The cut.
    painter.setBrush(paletteColour(12));
    painter.drawRect(QRectF(2, 15, 25, 2.5));

    // The lamp.
    painter.setBrush(paletteColour(10));
    painter.drawRect(QRectF(27, 4, 3, 24));
    painter.end();

    return canvas.convertToFormat(QImage::Format_Indexed8, sixteenColours(),
                                  Qt::ThresholdDither | Qt::AvoidDither);
}

QIcon makeWindowIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(drawIconImage(32)));
    icon.addPixmap(QPixmap::fromImage(drawIconImage(16)));
    return icon;
}

}  // namespace roruvez

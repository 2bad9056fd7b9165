#include "window/window_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <vector>

#include "window/palette.h"

namespace roruvez {

namespace {

// A page on the blue band, cut in two by a red line, with the green lamp beside it, on a 32-unit
// grid. Both the images and the SVG are drawn from this one list, in its order.
constexpr int kGrid = 32;
constexpr int kBackground = 9;

struct IconShape {
    int colour;
    std::vector<QPointF> corners;
};

std::vector<QPointF> box(double left, double top, double width, double height) {
    return {{left, top}, {left + width, top}, {left + width, top + height}, {left, top + height}};
}

const std::vector<IconShape>& iconShapes() {
    static const std::vector<IconShape> kShapes = [] {
        std::vector<IconShape> shapes = {
            {15, {{5, 3}, {18, 3}, {24, 9}, {24, 29}, {5, 29}}},  // the page
            {7, {{18, 3}, {24, 9}, {18, 9}}},                     // its folded corner
        };
        for (int line = 0; line < 4; ++line) {
            shapes.push_back({8, box(8, 11 + line * 4, 13, 1.5)});
        }
        shapes.push_back({12, box(2, 15, 25, 2.5)});  // the cut
        shapes.push_back({10, box(27, 4, 3, 24)});    // the lamp
        return shapes;
    }();
    return kShapes;
}

QList<QRgb> sixteenColours() {
    QList<QRgb> table;
    for (int index = 0; index < 16; ++index) {
        table.append(paletteColour(index).rgb());
    }
    return table;
}

}  // namespace

QImage drawIconImage(int size) {
    QImage canvas(size, size, QImage::Format_RGB32);
    canvas.fill(paletteColour(kBackground));
    QPainter painter(&canvas);
    painter.scale(size / double{kGrid}, size / double{kGrid});
    painter.setPen(Qt::NoPen);
    for (const IconShape& shape : iconShapes()) {
        painter.setBrush(paletteColour(shape.colour));
        painter.drawPolygon(QPolygonF(QList<QPointF>(shape.corners.begin(), shape.corners.end())));
    }
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

QString iconSvg() {
    const QString grid = QString::number(kGrid);
    QString svg = QStringLiteral(
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                      "viewBox=\"0 0 %1 %1\" shape-rendering=\"crispEdges\">\n"
                      "  <rect width=\"%1\" height=\"%1\" fill=\"%2\"/>\n")
                      .arg(grid, paletteColour(kBackground).name());
    for (const IconShape& shape : iconShapes()) {
        QString points;
        for (const QPointF& corner : shape.corners) {
            points += (points.isEmpty() ? QString() : QStringLiteral(" ")) +
                      QString::number(corner.x()) + QLatin1Char(',') + QString::number(corner.y());
        }
        svg += QStringLiteral("  <polygon points=\"%1\" fill=\"%2\"/>\n")
                   .arg(points, paletteColour(shape.colour).name());
    }
    return svg + QStringLiteral("</svg>\n");
}

}  // namespace roruvez

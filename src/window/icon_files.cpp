// Writes the window's icon for the desktop's hicolor theme: NxN/apps/ID.png at every size the
// theme wants, and scalable/apps/ID.svg, all from the drawing the window shows.
#include <QDir>
#include <QFile>
#include <cstdio>

#include "window/window_icon.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: roruvez_icon_files OUTDIR DESKTOP-ID\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const QString id = QString::fromLocal8Bit(argv[2]);
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        if (!QDir().mkpath(dir) ||
            !roruvez::drawIconImage(size).save(dir + QLatin1Char('/') + id + ".png", "PNG")) {
            std::fprintf(stderr, "roruvez_icon_files: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    const QString dir = outDir + QStringLiteral("/scalable/apps");
    QFile svg(dir + QLatin1Char('/') + id + ".svg");
    if (!QDir().mkpath(dir) || !svg.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        svg.write(roruvez::iconSvg().toUtf8()) < 0) {
        std::fprintf(stderr, "roruvez_icon_files: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    return 0;
}

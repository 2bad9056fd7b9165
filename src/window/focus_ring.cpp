#include "window/focus_ring.h"

#include <QApplication>
#include <QPainter>

#include "window/palette.h"

namespace roruvez {

namespace {

// Three pixels each, so that a band still shows two where a neighbour's line crosses it.
constexpr int kBand = 3;

}  // namespace

FocusRing::FocusRing(QWidget* surface) : QWidget(surface) {
    setObjectName(QStringLiteral("FocusRing"));
    // Only paint: clicks and drops go to what lies beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget* /*before*/, QWidget* now) { follow(now); });
}

void FocusRing::follow(QWidget* focused) {
    QWidget* surface = parentWidget();
    if (focused == nullptr || !surface->isAncestorOf(focused)) {
        hide();
        return;
    }
    const QRect around(focused->mapTo(surface, QPoint(0, 0)), focused->size());
    setGeometry(around.adjusted(-2 * kBand, -2 * kBand, 2 * kBand, 2 * kBand));
    raise();
    show();
    update();
}

void FocusRing::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect outer = rect();
    const QRect inner = outer.adjusted(kBand, kBand, -kBand, -kBand);
    // Filled bands, not pen strokes, so that each is exactly kBand pixels on every scale.
    const QRegion dark = QRegion(outer).subtracted(QRegion(inner));
    const QRegion light =
        QRegion(inner).subtracted(QRegion(inner.adjusted(kBand, kBand, -kBand, -kBand)));
    painter.setClipRegion(dark);
    painter.fillRect(outer, paletteColour(1));
    painter.setClipRegion(light);
    painter.fillRect(outer, paletteColour(15));
}

}  // namespace roruvez

#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QMimeData;

namespace roruvez {

// Paths as the bytes of their names.
using DroppedFiles = std::vector<std::string>;

// The local files a drop carries, in the order given; other addresses and plain text are no
// files.
DroppedFiles droppedFiles(const QMimeData& data);

// The window's own surface, which holds every control: drops on the blue band, the labels and
// the free space land here.
class ClientArea : public QWidget {
  public:
    explicit ClientArea(QWidget* parent);

    // Whether drops are taken at all now, and whether one at this point (in this widget's
    // coordinates) is.
    std::function<bool()> acceptsDrops;
    std::function<bool(const QPoint&)> acceptsDropAt;
    // Called once the drop has finished, with the dropped files.
    std::function<void(const DroppedFiles&)> onDrop;

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// A multi-line text box that takes file drops with a handler of its own instead of inserting
// the dropped text.
class PathBox : public QPlainTextEdit {
  public:
    explicit PathBox(QWidget* parent);

    std::function<bool()> acceptsDrop;
    // Called once the drop has finished, with the dropped files.
    std::function<void(const DroppedFiles&)> onDrop;

    // The platform draws no focus frame around a read-only text box; while it has the focus it
    // gets a plain frame of this colour, as wide as its own.
    QColor focusColour = Qt::black;

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    int ownFrameStyle_ = 0;
    int ownLineWidth_ = 0;
    bool framed_ = false;
};

}  // namespace roruvez

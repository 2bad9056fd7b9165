#include "window/drop_targets.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "window/file_url.h"

namespace roruvez {

namespace {

// Copy, never move: a file manager deletes the source of an accepted move.
template <typename Event>
void takeOrRefuse(Event* event, bool take) {
    if (take) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

// The drop source waits for the drop to finish; a message box must not hold it up.
void handLater(QObject* target, const std::function<void(const DroppedFiles&)>& handler,
               const DroppedFiles& files) {
    QMetaObject::invokeMethod(
        target, [handler, files] { handler(files); }, Qt::QueuedConnection);
}

}  // namespace

DroppedFiles droppedFiles(const QMimeData& data) {
    if (!data.hasUrls()) {
        return {};
    }
    // The list as it came; Qt's own reading of it decodes each path as UTF-8.
    QByteArray list = data.data(QStringLiteral("text/uri-list"));
    if (list.isEmpty()) {
        for (const QUrl& url : data.urls()) {
            list += url.toEncoded() + "\r\n";
        }
    }
    return localPathsOfUriList(
        std::string_view(list.constData(), static_cast<std::size_t>(list.size())));
}

ClientArea::ClientArea(QWidget* parent) : QWidget(parent) {
    setAcceptDrops(true);
}

// Taken wherever the drag comes in: Qt sends a widget that refused the enter no moves and no
// drop until the drag enters it again, and a drag often comes in over a control that takes none.
// The moves then say, point by point, where a drop is taken.
void ClientArea::dragEnterEvent(QDragEnterEvent* event) {
    takeOrRefuse(event,
                 !droppedFiles(*event->mimeData()).empty() && acceptsDrops && acceptsDrops());
}

void ClientArea::dragMoveEvent(QDragMoveEvent* event) {
    takeOrRefuse(event, !droppedFiles(*event->mimeData()).empty() && acceptsDropAt &&
                            acceptsDropAt(event->position().toPoint()));
}

void ClientArea::dropEvent(QDropEvent* event) {
    const bool take = !droppedFiles(*event->mimeData()).empty() && acceptsDropAt &&
                      acceptsDropAt(event->position().toPoint());
    takeOrRefuse(event, take);
    if (take && onDrop) {
        handLater(this, onDrop, droppedFiles(*event->mimeData()));
    }
}

PathBox::PathBox(QWidget* parent) : QPlainTextEdit(parent) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

void PathBox::focusInEvent(QFocusEvent* event) {
    if (!framed_) {
        framed_ = true;
        ownFrameStyle_ = frameStyle();
        ownLineWidth_ = lineWidth();
        const int width = frameWidth();
        QPalette framePalette = palette();
        framePalette.setColor(QPalette::WindowText, focusColour);
        setPalette(framePalette);
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(width);
    }
    QPlainTextEdit::focusInEvent(event);
}

void PathBox::focusOutEvent(QFocusEvent* event) {
    if (framed_) {
        framed_ = false;
        setFrameStyle(ownFrameStyle_);
        setLineWidth(ownLineWidth_);
    }
    QPlainTextEdit::focusOutEvent(event);
}

void PathBox::dragEnterEvent(QDragEnterEvent* event) {
    takeOrRefuse(event, !droppedFiles(*event->mimeData()).empty() && acceptsDrop && acceptsDrop());
}

void PathBox::dragMoveEvent(QDragMoveEvent* event) {
    takeOrRefuse(event, !droppedFiles(*event->mimeData()).empty() && acceptsDrop && acceptsDrop());
}

void PathBox::dropEvent(QDropEvent* event) {
    const bool take = !droppedFiles(*event->mimeData()).empty() && acceptsDrop && acceptsDrop();
    takeOrRefuse(event, take);
    if (take && onDrop) {
        handLater(this, onDrop, droppedFiles(*event->mimeData()));
    }
}

}  // namespace roruvez

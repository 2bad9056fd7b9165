#include "window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <memory>

#include "window/file_chooser.h"
#include "window/palette.h"
#include "window/window_surface.h"

namespace roruvez::testing {

void typeInDialog(FileChooser& dialog, const QString& name) {
    auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    box->setFocus();
    box->setText(name);
    QTest::keyClick(box, Qt::Key_Return);
}

void pickInDialog(FileChooser& dialog, const std::string& name) {
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("entryList"));
    const std::vector<std::string> names = listedNames(dialog);
    const auto found = std::find(names.begin(), names.end(), name);
    ASSERT_NE(found, names.end()) << "not listed: " << name;
    list->setFocus();
    list->setCurrentRow(static_cast<int>(found - names.begin()));
    QTest::keyClick(list, Qt::Key_Return);
}

std::vector<std::string> listedNames(const FileChooser& dialog) {
    const auto* list = dialog.findChild<QListWidget*>(QStringLiteral("entryList"));
    std::vector<std::string> names;
    for (int row = 0; row < list->count(); ++row) {
        const QByteArray bytes = list->item(row)->data(Qt::UserRole).toByteArray();
        names.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return names;
}

WindowFixture::WindowFixture() {
    rebuildWindow();
}

void WindowFixture::rebuildWindow() {
    form = std::make_unique<Form1>(platform);
    form->surface().runMessageBox = [this](QMessageBox& box) {
        boxes.push_back(SeenBox{
            toText(box.text()), toText(box.windowTitle()), box.icon(), box.standardButtons(),
            box.defaultButton() == nullptr ? QMessageBox::NoButton
                                           : box.standardButton(box.defaultButton())});
        QMessageBox::StandardButton answer = QMessageBox::Ok;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        if (QAbstractButton* button = box.button(answer)) {
            button->click();
        }
    };
    form->runFileDialog = [this](FileChooser& dialog) {
        dialog.show();
        if (onDialog) {
            onDialog(dialog);
        }
        if (dialog.isVisible() && dialogChoice_) {
            dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(*dialogChoice_);
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("openButton")),
                              Qt::LeftButton);
        }
        if (dialog.isVisible()) {
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cancelButton")),
                              Qt::LeftButton);
        }
        return dialog.result() == QDialog::Accepted;
    };
    form->endProgram = [this] { ++ends; };
    form->show();
}

WindowFixture::~WindowFixture() = default;

std::string WindowFixture::caption(const char* label) const {
    return toText(find<QLabel>(label)->text());
}

std::string WindowFixture::plainText(const char* box) const {
    if (auto* line = form->findChild<QLineEdit*>(QString::fromLatin1(box))) {
        return toText(line->text());
    }
    return toText(find<QPlainTextEdit>(box)->toPlainText());
}

bool WindowFixture::enabled(const char* name) const {
    return find(name)->isEnabled();
}

QColor WindowFixture::backColour(const char* label) const {
    return find(label)->palette().color(QPalette::Window);
}

void WindowFixture::click(const char* button) {
    QTest::mouseClick(find(button), Qt::LeftButton);
}

void WindowFixture::typePieceSize(const QString& text) {
    auto* box = find<QLineEdit>("Text2");
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

void WindowFixture::browse(std::optional<QString> choice) {
    dialogChoice_ = std::move(choice);
    click("Command5");
}

QMimeData* WindowFixture::fileData(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        const std::string bytes = toText(path);
        urls.append(QUrl::fromEncoded(
            "file://" +
            QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toPercentEncoding("/")));
    }
    data->setUrls(urls);
    return data;
}

DropOutcome WindowFixture::drop(QWidget* target, const QStringList& paths, QPoint at) {
    const std::unique_ptr<QMimeData> data(fileData(paths));
    return dropData(target, *data, at);
}

DropOutcome WindowFixture::dropAfterEntering(QWidget* enterOver, const QStringList& paths,
                                             QPoint at) {
    const std::unique_ptr<QMimeData> data(fileData(paths));
    QWindow* window = form->windowHandle();
    const QPoint entered = enterOver->mapTo(form.get(), enterOver->rect().center());
    const QPoint target = form->centralWidget()->mapTo(form.get(), at);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    DropOutcome outcome;
    QDragEnterEvent enter(entered, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    outcome.entered = enter.isAccepted();
    QDragMoveEvent move(target, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &move);
    QDropEvent dropped(QPointF(target), offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &dropped);
    outcome.dropped = dropped.isAccepted();
    outcome.action = dropped.dropAction();
    QApplication::processEvents();
    return outcome;
}

DropOutcome WindowFixture::dropUriList(QWidget* target, const QByteArray& list, QPoint at) {
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), list);
    return dropData(target, data, at);
}

DropOutcome WindowFixture::dropText(QWidget* target, const QString& text, QPoint at) {
    QMimeData data;
    data.setText(text);
    return dropData(target, data, at);
}

DropOutcome WindowFixture::dropData(QWidget* target, const QMimeData& data, QPoint at) {
    // Drops reach a text box through its viewport.
    if (auto* box = qobject_cast<QPlainTextEdit*>(target)) {
        target = box->viewport();
    }
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    DropOutcome outcome;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(target, &enter);
    outcome.entered = enter.isAccepted();
    if (outcome.entered) {
        QDropEvent dropped(QPointF(at), offered, &data, Qt::LeftButton, Qt::NoModifier);
        dropped.setDropAction(Qt::MoveAction);
        QApplication::sendEvent(target, &dropped);
        outcome.dropped = dropped.isAccepted();
        outcome.action = dropped.dropAction();
    }
    QApplication::processEvents();
    return outcome;
}

QPoint WindowFixture::twips(int left, int top) const {
    return {twipsToPixels(left, form->logicalDpiX()), twipsToPixels(top, form->logicalDpiY())};
}

std::vector<std::string> WindowFixture::prompts() const {
    std::vector<std::string> shown;
    for (const auto& box : boxes) {
        shown.push_back(box.prompt);
    }
    return shown;
}

}  // namespace roruvez::testing

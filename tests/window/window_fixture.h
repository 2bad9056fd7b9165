#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "state/status_surface.h"
#include "support/fake_machine.h"
#include "window/form1.h"

class QMimeData;

namespace roruvez {
class FileChooser;
}

namespace roruvez::testing {

// A message box as the window showed it.
struct SeenBox {
    std::string prompt;  // with the line feeds the box shows
    std::string title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

struct DropOutcome {
    bool entered = false;  // the target took the drag
    bool dropped = false;  // the target took the drop
    Qt::DropAction action = Qt::IgnoreAction;
};

// A user working the open-file dialog: a name typed into its name box and Enter; an entry found
// in its list by the bytes of its name, made current and Enter pressed.
void typeInDialog(FileChooser& dialog, const QString& name);
void pickInDialog(FileChooser& dialog, const std::string& name);
// The bytes of the names the dialog lists, in its order.
std::vector<std::string> listedNames(const FileChooser& dialog);

// The real window on the fake machine. Message boxes and the file dialog are answered from the
// test.
class WindowFixture : public ::testing::Test, public FakeMachine {
  protected:
    WindowFixture();
    ~WindowFixture() override;

    template <typename T = QWidget>
    T* find(const char* name) const {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    std::string caption(const char* label) const;
    std::string plainText(const char* box) const;
    bool enabled(const char* name) const;
    QColor backColour(const char* label) const;
    void click(const char* button);
    void typePieceSize(const QString& text);

    // Clicks Browse; the dialog is answered with this name typed and Open, or cancelled when
    // there is none, unless onDialog answered it.
    void browse(std::optional<QString> choice);
    // Drags the files over the target and drops them at the point, as a file manager would: one
    // file URL each, its path's bytes percent-encoded.
    DropOutcome drop(QWidget* target, const QStringList& files, QPoint at = {5, 5});
    DropOutcome dropText(QWidget* target, const QString& text, QPoint at = {5, 5});
    // A drag of the files that comes into the window over the middle of enterOver, moves to the
    // point of the window's surface and drops there, all through the window as the platform
    // delivers them.
    DropOutcome dropAfterEntering(QWidget* enterOver, const QStringList& paths, QPoint at);
    // A drop of a text/uri-list as a file manager writes it.
    DropOutcome dropUriList(QWidget* target, const QByteArray& list, QPoint at = {5, 5});
    // A new window on the fixture's platform, answered from the test like the first.
    void rebuildWindow();
    // A point of the window's surface, from twips.
    QPoint twips(int left, int top) const;

    // Answers for the next boxes in order; OK once they run out.
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<SeenBox> boxes;
    std::vector<std::string> prompts() const;
    // Called with the dialog, shown, before it is answered; it may answer the dialog itself.
    std::function<void(FileChooser&)> onDialog;
    int ends = 0;

    std::unique_ptr<Form1> form;

  private:
    DropOutcome dropData(QWidget* target, const QMimeData& data, QPoint at);
    static QMimeData* fileData(const QStringList& paths);
    std::optional<QString> dialogChoice_;
};

}  // namespace roruvez::testing

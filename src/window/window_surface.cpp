#include "window/window_surface.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QWidget>

#include "window/palette.h"

namespace roruvez {

namespace {

// The surface speaks in CR LF line breaks; the widgets hold plain line feeds.
QString toWidgetLines(const std::string& text) {
    return fromText(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string fromWidgetLines(const QString& text) {
    QString lines = text;
    return toText(lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
}

}  // namespace

void prepareMessageBox(QMessageBox& box, const std::string& prompt, Buttons buttons,
                       const std::string& title) {
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(fromText(title.empty() ? std::string(kAppTitle) : title));
    // A path can look like markup; show it as it stands.
    box.setTextFormat(Qt::PlainText);
    box.setText(toWidgetLines(prompt));
    if (buttons == Buttons::OkSkipCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Ignore | QMessageBox::Cancel);
        box.button(QMessageBox::Ignore)->setText(QStringLiteral("Skip"));
        box.setEscapeButton(QMessageBox::Cancel);
    } else if (buttons == Buttons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
}

WindowSurface::WindowSurface(QWidget& window)
    : runMessageBox([](QMessageBox& box) { box.exec(); }),
      runFolderDialog([](QFileDialog& dialog) {
          return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
      }),
      window_(window) {}

QWidget* WindowSurface::widget(Control control) const {
    if (control == Control::Form1) {
        return &window_;
    }
    return window_.findChild<QWidget*>(QString::fromLatin1(controlName(control)));
}

void WindowSurface::setCaption(Control label, const std::string& text) {
    if (auto* shown = qobject_cast<QLabel*>(widget(label))) {
        shown->setText(fromText(text));
    }
}

void WindowSurface::setBackColour(Control label, int paletteIndex) {
    if (QWidget* shown = widget(label)) {
        QPalette palette = shown->palette();
        palette.setColor(QPalette::Window, paletteColour(paletteIndex));
        shown->setPalette(palette);
    }
}

void WindowSurface::appendLog(const std::string& line) {
    auto* log = qobject_cast<QPlainTextEdit*>(widget(Control::Text3));
    if (log == nullptr) {
        return;
    }
    QTextCursor end(log->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral("\n") + toWidgetLines(line));
    log->setTextCursor(end);
    log->ensureCursorVisible();
}

std::string WindowSurface::text(Control box) {
    QWidget* shown = widget(box);
    if (auto* line = qobject_cast<QLineEdit*>(shown)) {
        return toText(line->text());
    }
    if (auto* lines = qobject_cast<QPlainTextEdit*>(shown)) {
        return fromWidgetLines(lines->toPlainText());
    }
    return {};
}

void WindowSurface::setText(Control box, const std::string& text) {
    QWidget* shown = widget(box);
    if (auto* line = qobject_cast<QLineEdit*>(shown)) {
        line->setText(fromText(text));
    } else if (auto* lines = qobject_cast<QPlainTextEdit*>(shown)) {
        lines->setPlainText(toWidgetLines(text));
    }
}

int WindowSurface::checkValue(Control box) {
    auto* check = qobject_cast<QCheckBox*>(widget(box));
    if (check == nullptr) {
        return 0;
    }
    switch (check->checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        case Qt::Unchecked:
            break;
    }
    return 0;
}

std::string WindowSurface::currentDrive() {
    auto* list = qobject_cast<QComboBox*>(widget(Control::Drive1));
    return list == nullptr ? std::string() : toText(list->currentText());
}

void WindowSurface::setEnabled(Control control, bool enabled) {
    if (holding_) {
        const auto held = enabledAfterJob_.find(control);
        if (held != enabledAfterJob_.end()) {
            held->second = enabled;
            return;
        }
    }
    if (QWidget* shown = widget(control)) {
        shown->setEnabled(enabled);
    }
}

Answer WindowSurface::messageBox(const std::string& prompt, Buttons buttons,
                                 const std::string& title) {
    QMessageBox box(&window_);
    prepareMessageBox(box, prompt, buttons, title);
    runMessageBox(box);
    if (buttons == Buttons::Ok) {
        return Answer::Ok;
    }
    if (box.clickedButton() == box.button(QMessageBox::Ok)) {
        return Answer::Ok;
    }
    const QAbstractButton* skip = box.button(QMessageBox::Ignore);
    return skip != nullptr && box.clickedButton() == skip ? Answer::Skip : Answer::Cancel;
}

std::string WindowSurface::chooseFolder(const std::string& title) {
    QFileDialog dialog(&window_, fromText(title), QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return QFile::encodeName(runFolderDialog(dialog)).toStdString();
}

void WindowSurface::progress(const JobProgress& done) {
    if (onProgress) {
        onProgress(done);
    }
}

void WindowSurface::pumpEvents() {
    // A job pumps after every piece; a window that redraws a hundred times a second looks no
    // different from one that redraws fifty, and costs the copy less.
    if (pumped_.isValid() && pumped_.elapsed() < kPumpInterval) {
        return;
    }
    pumped_.start();
    QCoreApplication::processEvents();
}

void WindowSurface::hold(std::initializer_list<Control> controls) {
    // A job's first pump always handles the events, however soon after the last job's.
    pumped_.invalidate();
    for (const Control control : controls) {
        if (QWidget* shown = widget(control)) {
            enabledAfterJob_[control] = shown->isEnabled();
            shown->setEnabled(false);
        }
    }
    holding_ = true;
}

void WindowSurface::release() {
    holding_ = false;
    for (const auto& [control, enabled] : enabledAfterJob_) {
        if (QWidget* shown = widget(control)) {
            shown->setEnabled(enabled);
        }
    }
    enabledAfterJob_.clear();
}

}  // namespace roruvez

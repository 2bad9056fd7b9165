// Choosing the file to work on: the Browse dialog, drops on the window and on the path box, and
// SelectFile, which enables the commands that fit the choice.

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <exception>

#include "format/piece_format.h"
#include "platform/drive_table.h"
#include "platform/paths.h"
#include "window/drop_targets.h"
#include "window/form1.h"

namespace roruvez {

QString Form1::currentDriveRoot() {
    const std::vector<Drive> drives = platform_.drives.drives();
    const auto current = currentDriveIndex(drives, workingDirectory());
    return current ? fromText(drives[*current].directory) : QStringLiteral("/");
}

void Form1::Command5_Click() {
    if (jobRunning_) {
        return;
    }
    // A dialog for each Browse: one kept open would go on watching its directory, re-reading it
    // for every piece a job writes there. Only the chosen name is kept.
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // No pattern at all, so that no file is hidden: "*.*" would hide names without a dot.
    dialog.setNameFilter(QStringLiteral("All Files (*)"));
    // The dialog keeps its last file name, so it opens where that file is; the drive's root
    // only until a file has been chosen.
    const QFileInfo last(dialogFileName_);
    dialog.setDirectory(!dialogFileName_.isEmpty() && last.dir().exists() ? last.absolutePath()
                                                                          : currentDriveRoot());
    if (runFileDialog(dialog)) {
        const QStringList chosen = dialog.selectedFiles();
        if (!chosen.isEmpty()) {
            dialogFileName_ = chosen.first();
        }
    }
    surface_.setText(Control::Text1, toText(dialogFileName_));
    state_.FilePath = toText(dialogFileName_);
    SelectFile();
}

void Form1::openFile(const QString& path) {
    Form_OLEDragDrop({path});
}

void Form1::Form_OLEDragDrop(const QStringList& files) {
    dropFiles(files);
}

void Form1::Text1_OLEDragDrop(const QStringList& files) {
    dropFiles(files);
}

void Form1::dropFiles(const QStringList& files) {
    if (jobRunning_ || files.isEmpty()) {
        return;
    }
    if (files.size() > 1) {
        surface_.messageBox("Only one file can be dropped.", Buttons::Ok);
        surface_.setText(Control::Text1, "");
        return;
    }
    surface_.setText(Control::Text1, toText(files.first()));
    state_.FilePath = toText(files.first());
    SelectFile();
}

bool Form1::dropAllowedAt(const QPoint& position) const {
    if (jobRunning_) {
        return false;
    }
    // The window's surface, the band and the labels take drops; the controls that have input
    // of their own do not.
    const QWidget* const refused[] = {command1_, command2_, command3_, command5_,
                                      check1_,   drive1_,   text2_,    text3_};
    for (QWidget* under = client_->childAt(position); under != nullptr && under != client_;
         under = under->parentWidget()) {
        if (std::find(std::begin(refused), std::end(refused), under) != std::end(refused)) {
            return false;
        }
    }
    return true;
}

void Form1::SelectFile() {
    for (const Control control :
         {Control::Command1, Control::Command3, Control::Check1, Control::Drive1}) {
        surface_.setEnabled(control, false);
    }
    const std::string& path = state_.FilePath;
    if (path.empty()) {
        return;
    }
    bool directory = false;
    std::int64_t length = 0;
    try {
        directory = platform_.files.isDirectory(path);
        if (!directory) {
            length = platform_.files.fileLength(path);
        }
    } catch (const std::exception&) {
        // Gone, or on a drive without a medium: nothing can be done with it.
        surface_.setCaption(Control::Label5, "");
        return;
    }
    if (!directory) {
        if (isFirstPieceName(path)) {
            surface_.setEnabled(Control::Command3, true);
        } else {
            surface_.setEnabled(Control::Command1, true);
            surface_.setEnabled(Control::Check1, true);
            surface_.setEnabled(Control::Drive1, true);
        }
    }
    surface_.setCaption(Control::Label5,
                        directory ? std::string("DIRECTORY") : "FSize: " + std::to_string(length));
}

}  // namespace roruvez

// Choosing the file to work on: the Browse dialog, drops on the window and on the path box, and
// SelectFile, which enables the commands that fit the choice.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <exception>

#include "format/piece_format.h"
#include "platform/directory_listing.h"
#include "platform/drive_table.h"
#include "platform/paths.h"
#include "window/command_line.h"
#include "window/drop_targets.h"
#include "window/file_chooser.h"
#include "window/form1.h"

namespace roruvez {

std::string Form1::currentDriveRoot() {
    const std::vector<Drive> drives = platform_.drives.drives();
    const auto current = currentDriveIndex(drives, workingDirectory());
    return current ? drives[*current].directory : std::string("/");
}

void Form1::Command5_Click() {
    if (jobRunning_) {
        return;
    }
    // The dialog keeps its last file name, so it opens where that file is; the drive's root
    // only until a file has been chosen. A dialog for each Browse: only the name is kept.
    const std::string lastDirectory =
        dialogFileName_.empty() ? std::string() : parentDirectory(dialogFileName_);
    const std::string start =
        !lastDirectory.empty() && entryKind(lastDirectory) == EntryKind::Directory
            ? lastDirectory
            : currentDriveRoot();
    const std::size_t lastSlash = dialogFileName_.rfind('/');
    FileChooser dialog(
        this, start,
        lastSlash == std::string::npos ? dialogFileName_ : dialogFileName_.substr(lastSlash + 1));
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    if (runFileDialog(dialog) && !dialog.chosenFile().empty()) {
        dialogFileName_ = dialog.chosenFile();
    }
    surface_.setText(Control::Text1, dialogFileName_);
    state_.FilePath = dialogFileName_;
    SelectFile();
}

void Form1::openFile(const std::string& path) {
    // A later piece opened from a file manager stands for its set.
    Form_OLEDragDrop({firstPieceBeside(path)});
}

void Form1::Form_OLEDragDrop(const DroppedFiles& files) {
    dropFiles(files);
}

void Form1::Text1_OLEDragDrop(const DroppedFiles& files) {
    dropFiles(files);
}

void Form1::dropFiles(const DroppedFiles& files) {
    if (jobRunning_ || files.empty()) {
        return;
    }
    if (files.size() > 1) {
        surface_.messageBox("Only one file can be dropped.", Buttons::Ok);
        surface_.setText(Control::Text1, "");
        return;
    }
    surface_.setText(Control::Text1, files.front());
    state_.FilePath = files.front();
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
        if (isFirstPieceName(path) || isRecoveryIndexName(path)) {
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

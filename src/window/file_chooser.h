#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "platform/directory_listing.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

namespace roruvez {

// The open-file dialog. It reads directories itself, as bytes, because Qt's own dialog leaves out
// every name that is not valid UTF-8; a name reaches the window exactly as the directory holds it.
// Every entry is listed, hidden ones too; directories are entered, a file is chosen with Open.
class FileChooser : public QDialog {
  public:
    // An entry with the text it is shown by.
    struct ListedEntry {
        DirectoryEntry entry;
        QString shown;
    };

    // Opens in directory with fileName in the name box.
    FileChooser(QWidget* parent, const std::string& directory, const std::string& fileName);

    // The directory listed now.
    const std::string& directory() const { return directory_; }
    // The file chosen with Open; empty until one is.
    const std::string& chosenFile() const { return chosen_; }

    // Lists directory, with the name select current when it is there; when the directory cannot
    // be read the dialog stays where it is and says why.
    bool enter(const std::string& directory, const std::string& select = {});

    // Open: the name in the name box (relative to the directory listed, or a full path) is
    // entered when it is a directory and chosen when it is anything else there is.
    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createControls();
    void connectControls();
    void describeControls();
    void fillList(const std::vector<ListedEntry>& entries, const std::string& select);
    void activate(const QListWidgetItem* item);
    void goUp();
    void showProblem(const QString& problem);

    std::string directory_;
    std::string chosen_;
    // Set while the list is refilled, so that the name box keeps what it holds.
    bool filling_ = false;

    QLineEdit* lookIn_ = nullptr;
    QToolButton* up_ = nullptr;
    QListWidget* entries_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace roruvez

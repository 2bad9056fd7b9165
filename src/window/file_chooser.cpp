#include "window/file_chooser.h"

#include <QAccessible>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

#include "platform/directory_listing.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "window/name_text.h"

namespace roruvez {

namespace {

// An item keeps the name's bytes; its text is only how the name looks.
constexpr int kNameRole = Qt::UserRole;
constexpr int kDirectoryRole = Qt::UserRole + 1;

std::string nameOf(const QListWidgetItem& item) {
    const QByteArray bytes = item.data(kNameRole).toByteArray();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

bool isDirectory(const QListWidgetItem& item) {
    return item.data(kDirectoryRole).toBool();
}

// Folders first, then files, each by name regardless of case; equal looks by the bytes.
using ListedEntry = FileChooser::ListedEntry;

std::vector<ListedEntry> inListOrder(std::vector<DirectoryEntry> entries) {
    std::vector<ListedEntry> listed;
    listed.reserve(entries.size());
    for (DirectoryEntry& entry : entries) {
        QString shown = fromText(entry.name);
        listed.push_back({std::move(entry), std::move(shown)});
    }
    std::sort(listed.begin(), listed.end(), [](const ListedEntry& a, const ListedEntry& b) {
        if (a.entry.directory != b.entry.directory) {
            return a.entry.directory;
        }
        const int order = a.shown.compare(b.shown, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.entry.name < b.entry.name;
    });
    return listed;
}

}  // namespace

FileChooser::FileChooser(QWidget* parent, const std::string& directory, const std::string& fileName)
    : QDialog(parent), directory_(directory) {
    setWindowTitle(QStringLiteral("Open"));
    createControls();
    connectControls();
    describeControls();
    lookIn_->setText(fromText(directory_));
    name_->setText(fromText(fileName));
    name_->selectAll();
    name_->setFocus();
    enter(directory, fileName);
}

void FileChooser::createControls() {
    auto* lookInLabel = new QLabel(QStringLiteral("&Look in:"), this);
    lookIn_ = new QLineEdit(this);
    lookIn_->setObjectName(QStringLiteral("lookIn"));
    lookIn_->setReadOnly(true);
    lookInLabel->setBuddy(lookIn_);
    up_ = new QToolButton(this);
    up_->setObjectName(QStringLiteral("upButton"));
    up_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    up_->setText(QStringLiteral("Up"));
    up_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    entries_ = new QListWidget(this);
    entries_->setObjectName(QStringLiteral("entryList"));
    entries_->installEventFilter(this);
    auto* nameLabel = new QLabel(QStringLiteral("File &name:"), this);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("fileNameEdit"));
    nameLabel->setBuddy(name_);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setWordWrap(true);
    problem_->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(this);
    open_ = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::AcceptRole);
    open_->setObjectName(QStringLiteral("openButton"));
    open_->setDefault(true);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &FileChooser::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FileChooser::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lookInLabel, 0, 0);
    grid->addWidget(lookIn_, 0, 1);
    grid->addWidget(up_, 0, 2);
    grid->addWidget(entries_, 1, 0, 1, 3);
    grid->addWidget(nameLabel, 2, 0);
    grid->addWidget(name_, 2, 1, 1, 2);
    grid->addWidget(problem_, 3, 0, 1, 3);
    grid->addWidget(buttons, 4, 0, 1, 3);
    setTabOrder(name_, entries_);
    setTabOrder(entries_, open_);
    setTabOrder(open_, cancel_);
    setTabOrder(cancel_, up_);
    setTabOrder(up_, lookIn_);
    resize(560, 380);
}

void FileChooser::connectControls() {
    connect(up_, &QToolButton::clicked, this, [this] { goUp(); });
    // A double click, or a single one where the desktop opens items so.
    connect(entries_, &QListWidget::itemActivated, this,
            [this](const QListWidgetItem* item) { activate(item); });
    connect(entries_, &QListWidget::currentItemChanged, this,
            [this](const QListWidgetItem* current) {
                if (!filling_ && current != nullptr && !isDirectory(*current)) {
                    name_->setText(fromText(nameOf(*current)));
                }
            });
}

void FileChooser::describeControls() {
    lookIn_->setAccessibleName(QStringLiteral("Look in"));
    lookIn_->setAccessibleDescription(QStringLiteral("The folder listed below"));
    up_->setAccessibleName(QStringLiteral("Up one level"));
    up_->setAccessibleDescription(QStringLiteral("Lists the folder that holds this one"));
    up_->setToolTip(QStringLiteral("Up one level (Alt+Up, or Backspace in the list)"));
    entries_->setAccessibleName(QStringLiteral("Files and folders"));
    entries_->setAccessibleDescription(
        QStringLiteral("Enter opens a folder or chooses a file; Backspace goes up one level"));
    name_->setAccessibleName(QStringLiteral("File name"));
    name_->setAccessibleDescription(
        QStringLiteral("The file to open, in the folder listed or as a full path"));
    problem_->setAccessibleName(QStringLiteral("Problem"));
}

bool FileChooser::enter(const std::string& directory, const std::string& select) {
    std::vector<ListedEntry> entries;
    try {
        entries = inListOrder(listDirectory(directory));
    } catch (const PlatformError& error) {
        showProblem(fromText(directory) + QStringLiteral(": ") + QString::fromUtf8(error.what()));
        return false;
    }
    directory_ = directory;
    lookIn_->setText(fromText(directory_));
    up_->setEnabled(directory_ != "/");
    fillList(entries, select);
    showProblem({});
    return true;
}

void FileChooser::fillList(const std::vector<ListedEntry>& entries, const std::string& select) {
    filling_ = true;
    entries_->clear();
    const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon file = style()->standardIcon(QStyle::SP_FileIcon);
    for (const auto& [entry, shown] : entries) {
        auto* item = new QListWidgetItem(entry.directory ? folder : file, shown, entries_);
        item->setData(kNameRole,
                      QByteArray(entry.name.data(), static_cast<qsizetype>(entry.name.size())));
        item->setData(kDirectoryRole, entry.directory);
        item->setData(Qt::AccessibleDescriptionRole,
                      entry.directory ? QStringLiteral("folder") : QStringLiteral("file"));
        if (!select.empty() && entry.name == select) {
            entries_->setCurrentItem(item);
        }
    }
    filling_ = false;
}

void FileChooser::activate(const QListWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    const std::string path = pathInDirectory(directory_, nameOf(*item));
    if (isDirectory(*item)) {
        enter(path);
        return;
    }
    name_->setText(fromText(nameOf(*item)));
    chosen_ = path;
    QDialog::accept();
}

void FileChooser::goUp() {
    if (directory_ == "/" || directory_.empty()) {
        return;
    }
    const std::string left = directory_;
    const std::size_t lastSlash = left.rfind('/');
    enter(parentDirectory(left),
          lastSlash == std::string::npos ? left : left.substr(lastSlash + 1));
}

void FileChooser::accept() {
    const std::string typed = toText(name_->text());
    if (typed.empty()) {
        // Open with a folder picked in the list and no name typed opens the folder.
        activate(entries_->currentItem());
        return;
    }
    const std::string path =
        cleanPath(typed.front() == '/' ? typed : pathInDirectory(directory_, typed));
    switch (entryKind(path)) {
        case EntryKind::Directory:
            if (enter(path)) {
                name_->clear();
            }
            return;
        case EntryKind::Other:
            chosen_ = path;
            QDialog::accept();
            return;
        case EntryKind::None:
            break;
    }
    showProblem(fromText(typed) +
                QStringLiteral(": File not found. Check the file name and try again."));
    name_->setFocus();
    name_->selectAll();
}

bool FileChooser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == entries_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Taken here: the dialog's default button would otherwise open the name box's
            // file as well.
            activate(entries_->currentItem());
            return true;
        }
        if (key->key() == Qt::Key_Backspace) {
            goUp();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FileChooser::showProblem(const QString& problem) {
    problem_->setText(problem);
    problem_->setAccessibleDescription(problem);
    if (!problem.isEmpty()) {
        QAccessibleEvent alert(problem_, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

}  // namespace roruvez

// The open-file dialog that "Browse" shows, worked as a user works it.

#include "window/file_chooser.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "window/name_text.h"
#include "window_fixture.h"

namespace roruvez {
namespace {

using testing::listedNames;
using testing::patternBytes;
using testing::pickInDialog;
using testing::typeInDialog;
using testing::WindowFixture;
using testing::writeFile;

class FileChooserTest : public WindowFixture {
  protected:
    FileChooserTest() {
        writeFile(dir.file("b.txt"), "b");
        writeFile(dir.file(".hidden"), "h");
        writeFile(dir.file("no dot"), "n");
        writeFile(dir.file("a\xFF.bin"), patternBytes(777));
        std::filesystem::create_directory(dir.file("Sub"));
        std::filesystem::create_directory(dir.file(".git"));
        writeFile(dir.file("Sub/inner.bin"), "i");
    }
    static QLineEdit* nameBox(FileChooser& dialog) {
        return dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    }
    static QString problem(FileChooser& dialog) {
        return dialog.findChild<QLabel*>(QStringLiteral("problem"))->text();
    }
    static QListWidget* list(FileChooser& dialog) {
        return dialog.findChild<QListWidget*>(QStringLiteral("entryList"));
    }
    const std::string home = dir.path().string();
};

TEST_F(FileChooserTest, EveryNameIsListedFoldersFirstAndTheKeyboardWorksTheDialog) {
    onDialog = [&](FileChooser& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("CommonDialog1"));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Open"));
        // What a screen reader calls the controls that have no text of their own.
        for (const char* name : {"lookIn", "upButton", "entryList", "fileNameEdit"}) {
            const auto* control = dialog.findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(control, nullptr) << name;
            EXPECT_FALSE(control->accessibleName().isEmpty()) << name;
        }
        // A folder typed in the name box is entered, not chosen.
        typeInDialog(dialog, QString::fromStdString(home));
        ASSERT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.directory(), home);
        EXPECT_TRUE(nameBox(dialog)->text().isEmpty());
        EXPECT_EQ(listedNames(dialog), (std::vector<std::string>{".git", "Sub", ".hidden",
                                                                 "a\xFF.bin", "b.txt", "no dot"}));
        EXPECT_EQ(list(dialog)->item(1)->data(Qt::AccessibleDescriptionRole).toString(),
                  QStringLiteral("folder"));

        // Enter on a folder in the list enters it, Backspace comes back to it.
        pickInDialog(dialog, "Sub");
        EXPECT_EQ(dialog.directory(), home + "/Sub");
        EXPECT_EQ(listedNames(dialog), std::vector<std::string>{"inner.bin"});
        EXPECT_TRUE(nameBox(dialog)->text().isEmpty());
        QTest::keyClick(list(dialog), Qt::Key_Backspace);
        EXPECT_EQ(dialog.directory(), home);
        EXPECT_EQ(list(dialog)->currentItem()->text(), QStringLiteral("Sub"));

        // A name that is not there keeps the dialog open and says so.
        typeInDialog(dialog, QStringLiteral("missing.bin"));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(problem(dialog).contains(QStringLiteral("missing.bin: File not found")))
            << problem(dialog).toStdString();

        // Moving onto a file puts its name, bytes and all, into the name box; Enter chooses it.
        pickInDialog(dialog, "a\xFF.bin");
        EXPECT_EQ(toText(nameBox(dialog)->text()), "a\xFF.bin");
        EXPECT_FALSE(dialog.isVisible());
    };
    browse(std::nullopt);
    EXPECT_EQ(form->context().state.FilePath, home + "/a\xFF.bin");
    EXPECT_EQ(plainText("Text1"), home + "/a\xFF.bin");
    EXPECT_EQ(caption("Label5"), "FSize: 777");

    // The next Browse opens on that file, its name ready in the name box: Enter takes it again.
    form->context().state.FilePath.clear();
    onDialog = [&](FileChooser& dialog) {
        EXPECT_EQ(dialog.directory(), home);
        EXPECT_EQ(toText(nameBox(dialog)->text()), "a\xFF.bin");
        EXPECT_EQ(toText(list(dialog)->currentItem()->text()), "a\xFF.bin");
        QTest::keyClick(nameBox(dialog), Qt::Key_Return);
        EXPECT_EQ(dialog.chosenFile(), home + "/a\xFF.bin");
    };
    browse(std::nullopt);
    EXPECT_EQ(form->context().state.FilePath, home + "/a\xFF.bin");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FileChooserTest, UpStopsAtTheRootAFolderGoneSaysWhyAndEscapeCancels) {
    std::filesystem::create_directory(dir.file("soon gone"));
    onDialog = [&](FileChooser& dialog) {
        auto* up = dialog.findChild<QToolButton*>(QStringLiteral("upButton"));
        EXPECT_EQ(dialog.directory(), "/");
        EXPECT_FALSE(up->isEnabled());

        typeInDialog(dialog, QString::fromStdString(home + "/Sub"));
        EXPECT_EQ(dialog.directory(), home + "/Sub");
        EXPECT_TRUE(up->isEnabled());
        QTest::mouseClick(up, Qt::LeftButton);
        EXPECT_EQ(dialog.directory(), home);

        // Listed, then taken away before it is entered.
        std::filesystem::remove(dir.file("soon gone"));
        pickInDialog(dialog, "soon gone");
        EXPECT_EQ(dialog.directory(), home);
        EXPECT_TRUE(problem(dialog).contains(QStringLiteral("No such file or directory")))
            << problem(dialog).toStdString();
        EXPECT_TRUE(dialog.isVisible());

        // Typed relative to the folder listed, with the dots worked out.
        typeInDialog(dialog, QStringLiteral("Sub/../Sub"));
        EXPECT_EQ(dialog.directory(), home + "/Sub");
        EXPECT_TRUE(problem(dialog).isEmpty());

        QTest::keyClick(list(dialog), Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_TRUE(dialog.chosenFile().empty());
    };
    browse(std::nullopt);
    EXPECT_EQ(plainText("Text1"), "");
    EXPECT_EQ(form->context().state.FilePath, "");
    EXPECT_FALSE(enabled("Command1"));
}

}  // namespace
}  // namespace roruvez

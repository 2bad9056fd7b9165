#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "support/no_unnamed_files.h"
#include "window/commands.h"
#include "window/window_surface.h"
#include "window_fixture.h"

namespace roruvez {
namespace {

using testing::patternBytes;
using testing::readFile;
using testing::WindowFixture;
using testing::writeFile;

const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);

class CommandsTest : public WindowFixture {
  protected:
    // A 1,000,000-byte source split into pieces of 400000 bytes: three pieces.
    std::string prepareSplit(const std::string& name = "REPORT.DOC") {
        source = patternBytes(1000000, 7);
        writeFile(dir.file(name), source);
        browse(QString::fromStdString(dir.file(name)));
        typePieceSize(QStringLiteral("400000"));
        return dir.file(name);
    }
    QAction* action(const char* name) { return find<QAction>(name); }
    std::string source;
};

TEST_F(CommandsTest, SplitByClickingEndsDoneGreenWithTheSplitControlsDisabled) {
    const std::string path = prepareSplit();
    find<QCheckBox>("Check1")->setCheckState(Qt::Unchecked);
    click("Command1");

    const std::string piece1 = readFile(dir.file("breldo.1"));
    const std::string piece2 = readFile(dir.file("breldo.2"));
    const std::string piece3 = readFile(dir.file("breldo.3"));
    EXPECT_EQ(piece1.size(), 400000U);
    EXPECT_EQ(piece3.size(), 200160U);
    EXPECT_EQ(piece1.substr(160) + piece2 + piece3, source);

    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_EQ(backColour("Label3"), kGreen);
    EXPECT_EQ(caption("Label7"), "CSum:  1000000  ");
    EXPECT_EQ(caption("Label8"), " 06Dec2026 14:05  ");
    EXPECT_EQ(caption("Label5"), "FSize: 1000000");
    std::string log;
    for (const char* name : {"breldo.1", "breldo.2", "breldo.3"}) {
        log += '\n';
        log += dir.file(name);
    }
    EXPECT_EQ(plainText("Text3"), log + "\nDone!");
    for (const char* name : {"Command1", "Check1", "Drive1", "Command3"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    for (const char* name : {"Command2", "Command5"}) {
        EXPECT_TRUE(enabled(name)) << name;
    }
    EXPECT_TRUE(action("About")->isEnabled());
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->context().state.FilePath, path);
}

// Off until turned on; then the split writes the list, and a new window starts with it on.
TEST_F(CommandsTest, TheChecksumsItemIsRememberedAndMakesTheSplitWriteTheList) {
    QAction* checksums = action("Checksums");
    ASSERT_TRUE(checksums->isCheckable());
    EXPECT_FALSE(checksums->isChecked());
    checksums->trigger();
    rebuildWindow();
    EXPECT_TRUE(action("Checksums")->isChecked());

    prepareSplit();
    click("Command1");

    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_TRUE(testing::sha256sumPasses(dir.path().string()));
    action("Checksums")->trigger();
}

// None until chosen; then the split writes recovery data for that many pieces, and a new window
// starts with the same choice.
TEST_F(CommandsTest, TheRecoveryChoiceIsRememberedAndMakesTheSplitWriteIt) {
    EXPECT_TRUE(action("Recovery0")->isChecked());
    action("Recovery2")->trigger();
    rebuildWindow();
    EXPECT_TRUE(action("Recovery2")->isChecked());
    EXPECT_FALSE(action("Recovery0")->isChecked());

    prepareSplit();
    click("Command1");

    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_TRUE(std::filesystem::exists(dir.file("breldo.par2")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("breldo.vol1+1.par2")));
    action("Recovery0")->trigger();
}

TEST_F(CommandsTest, ARefusedShortNameIsAnsweredFromTheTestAndTheControlsComeBack) {
    const std::string path = prepareSplit("quarterly report.doc");
    answers = {QMessageBox::Cancel};
    click("Command1");

    ASSERT_EQ(boxes.size(), 2U);
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(boxes[0].defaultButton, QMessageBox::Ok);
    EXPECT_EQ(boxes[0].title, "Filename warning(8.3): quarterl.doc");
    EXPECT_EQ(boxes[1].prompt, "File Split Failed!" + path);
    EXPECT_EQ(boxes[1].title, "Velmora RORUVEZ");
    EXPECT_EQ(boxes[1].icon, QMessageBox::NoIcon);
    EXPECT_EQ(caption("Label9"), "Not completed!");
    EXPECT_EQ(backColour("Label3"), kRed);
    EXPECT_FALSE(std::filesystem::exists(dir.file("breldo.1")));
    // Held during the job, given back after it: the failed split changed none of them.
    for (const char* name : {"Command1", "Check1", "Drive1", "Command2", "Command5"}) {
        EXPECT_TRUE(enabled(name)) << name;
    }
    EXPECT_FALSE(enabled("Command3"));

    // The name accepted this time, the split goes through.
    boxes.clear();
    click("Command1");
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_EQ(readFile(dir.file("breldo.1")).substr(120, 12), "quarterl.doc");
}

// The refusal's words are BadInputTest's; here, what the window shows around it.
TEST_F(CommandsTest, AnExistingPieceIsRefusedWithItsMessages) {
    prepareSplit();
    writeFile(dir.file("breldo.1"), "someone else's");
    click("Command1");
    EXPECT_EQ(prompts().size(), 1U);
    EXPECT_EQ(readFile(dir.file("breldo.1")), "someone else's");
    EXPECT_EQ(caption("Label9"), "Not completed!");
    EXPECT_EQ(backColour("Label3"), kRed);
    EXPECT_TRUE(enabled("Command1"));
}

TEST_F(CommandsTest, ClicksDropsAndMenuDuringASplitChangeNothingButExitStillWorks) {
    const std::string path = prepareSplit();
    const std::string other = dir.file("other.txt");
    writeFile(other, "x");
    bool during = false;
    QTimer::singleShot(0, form.get(), [&] {
        during = true;
        EXPECT_EQ(caption("Label9"), "Breldo:" + path);
        EXPECT_EQ(backColour("Label3"), kRed);
        EXPECT_EQ(form->cursor().shape(), Qt::WaitCursor);
        for (const char* name :
             {"Command1", "Command2", "Command3", "Command5", "Check1", "Drive1"}) {
            EXPECT_FALSE(enabled(name)) << name;
        }
        EXPECT_FALSE(action("About")->isEnabled());
        EXPECT_TRUE(action("Exit")->isEnabled());
        click("Command1");
        click("Command2");
        find<QAbstractButton>("Command1")->click();
        find<QAbstractButton>("Command2")->click();
        EXPECT_FALSE(drop(find("Text1"), {QString::fromStdString(other)}).entered);
        EXPECT_FALSE(drop(form->centralWidget(), {QString::fromStdString(other)}, twips(1600, 1000))
                         .entered);
    });
    click("Command1");
    ASSERT_TRUE(during);

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->context().state.FilePath, path);
    EXPECT_EQ(plainText("Text1"), path);
    const std::string log = plainText("Text3");
    EXPECT_EQ(log.find("Done!"), log.rfind("Done!"));
    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_EQ(readFile(dir.file("breldo.3")).size(), 200160U);
    EXPECT_EQ(ends, 0);
}

// Closing during a job asks first; "Go on" lets the job finish, "Stop and close" ends the
// program at once.
TEST_F(CommandsTest, ExitDuringASplitAsksAndEndsTheProgramAtOnceOnlyWhenTold) {
    prepareSplit();
    answers = {QMessageBox::Cancel};
    QTimer::singleShot(0, form.get(), [&] { action("Exit")->trigger(); });
    click("Command1");
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(boxes[0].defaultButton, QMessageBox::Cancel);
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_TRUE(form->isVisible());

    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directory(dir.path());
    prepareSplit();
    QTimer::singleShot(0, form.get(), [&] { action("Exit")->trigger(); });
    click("Command1");
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(boxes.size(), 2U);
    EXPECT_FALSE(find<QTimer>("Timer1")->isActive());
    EXPECT_FALSE(form->isVisible());
}

// Backup and sync scripts lock directories (flock DIR ...): a split into one never waits for that
// lock, so the window keeps answering and the pieces get their names.
TEST_F(CommandsTest, AnotherProgramsLockOnTheDirectoryHoldsNothingUp) {
    // Neither a rename flag nor links: the name is taken as on vfat through FUSE.
    const testing::NoUnnamedFiles hidden;
    ::setenv(testing::kNoRenameFlag, "1", 1);
    ::setenv(testing::kNoLinks, "1", 1);
    prepareSplit();
    const int held = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    QTimer::singleShot(0, form.get(), [&] { action("Exit")->trigger(); });
    click("Command1");
    ::close(held);
    ::unsetenv(testing::kNoRenameFlag);
    ::unsetenv(testing::kNoLinks);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_EQ(readFile(dir.file("breldo.3")).size(), 200160U);
}

TEST_F(CommandsTest, ExitDuringAJoinLeavesNoUnfinishedCopy) {
    prepareSplit();
    click("Command1");
    ASSERT_EQ(caption("Label9"), "Done!");
    std::filesystem::remove(dir.file("REPORT.DOC"));
    browse(QString::fromStdString(dir.file("breldo.1")));
    // What is on disk at the moment the program ends, with the join still on the stack.
    std::vector<std::string> atEnd;
    form->endProgram = [&] {
        ++ends;
        atEnd = testing::listDir(dir.path());
    };
    QTimer::singleShot(0, form.get(), [&] { action("Exit")->trigger(); });
    click("Command3");
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(atEnd, (std::vector<std::string>{"breldo.1", "breldo.2", "breldo.3"}));
}

TEST_F(CommandsTest, ExitAndTheCloseBoxEndTheProgramOnceWithoutAQuestion) {
    action("Exit")->trigger();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(find<QTimer>("Timer1")->isActive());
    form->close();
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(boxes.empty());

    rebuildWindow();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ends, 2);
}

TEST_F(CommandsTest, ClearAfterASplitResetsTheDisplayButKeepsSizeDriveAndChoice) {
    drives.bind('d', dir.path().string());
    rebuildWindow();
    const std::string path = prepareSplit();
    click("Check1");
    find<QComboBox>("Drive1")->setCurrentIndex(3);
    click("Command1");
    ASSERT_EQ(caption("Label9"), "Done!");
    ASSERT_EQ(form->context().state.TargetDir, "d:");
    ASSERT_TRUE(find<QCheckBox>("Check1")->isChecked());
    ASSERT_FALSE(enabled("Check1"));

    click("Command2");
    EXPECT_EQ(plainText("Text1"), "");
    EXPECT_EQ(plainText("Text3"), "");
    for (const char* label : {"Label5", "Label7", "Label8", "Label9"}) {
        EXPECT_EQ(caption(label), "") << label;
    }
    EXPECT_EQ(backColour("Label3"), kGreen);
    EXPECT_FALSE(find<QCheckBox>("Check1")->isChecked());
    EXPECT_TRUE(enabled("Check1"));
    for (const char* name : {"Command1", "Command3", "Drive1"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    EXPECT_EQ(plainText("Text2"), "400000");
    EXPECT_EQ(caption("Label2"), "File size:");
    EXPECT_EQ(find<QComboBox>("Drive1")->currentIndex(), 3);
    EXPECT_EQ(form->context().state.FilePath, path);

    // "SaveTo:" works after CLEAR although nothing is chosen.
    click("Check1");
    EXPECT_TRUE(enabled("Drive1"));
    EXPECT_FALSE(enabled("Command1"));
}

TEST_F(CommandsTest, SaveToTogglesTheDriveListAndSendsThePiecesToTheChosenDrive) {
    testing::TempDir stick;
    drives.bind('d', stick.path().string());
    rebuildWindow();
    prepareSplit();

    auto* check = find<QCheckBox>("Check1");
    EXPECT_TRUE(enabled("Drive1"));
    click("Check1");
    EXPECT_EQ(check->checkState(), Qt::Checked);
    EXPECT_TRUE(enabled("Drive1"));
    click("Check1");
    EXPECT_EQ(check->checkState(), Qt::Unchecked);
    EXPECT_FALSE(enabled("Drive1"));
    click("Check1");
    EXPECT_TRUE(enabled("Drive1"));
    check->setCheckState(Qt::PartiallyChecked);
    EXPECT_FALSE(enabled("Drive1"));
    EXPECT_EQ(form->surface().checkValue(Control::Check1), 2);
    check->setCheckState(Qt::Checked);
    EXPECT_EQ(form->surface().checkValue(Control::Check1), 1);

    auto* list = find<QComboBox>("Drive1");
    ASSERT_EQ(list->itemText(3), QString::fromStdString("d: [" + stick.path().string() + "]"));
    list->setCurrentIndex(3);
    click("Command1");
    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_EQ(form->context().state.TargetDir, "d:");
    EXPECT_EQ(readFile(stick.file("breldo.3")).size(), 200160U);
    EXPECT_FALSE(std::filesystem::exists(dir.file("breldo.1")));
}

TEST_F(CommandsTest, HelpBoxShowsSevenLinesUnderItsOwnTitle) {
    action("About")->trigger();
    ASSERT_EQ(boxes.size(), 1U);
    const auto& help = boxes[0];
    EXPECT_EQ(help.title, "Velmora RORUVEZ Help.");
    EXPECT_EQ(help.icon, QMessageBox::NoIcon);
    EXPECT_EQ(help.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    const QStringList lines = fromText(help.prompt).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[0], QStringLiteral("To split a file select it using the Browse button, "
                                       "select the size and click BRELDO"));
    EXPECT_EQ(lines[1], QStringLiteral("To reassemble the file select breldo.1 with the Browse "
                                       "button and click BRELDO -R "));
    EXPECT_EQ(lines[2], QStringLiteral("(Roruvez uses 8.3 File Name Notation)"));
    EXPECT_EQ(lines[3], QStringLiteral("Comments are welcome: roruvez@velmora.example"));
    EXPECT_TRUE(lines[4].isEmpty());
    EXPECT_EQ(lines[5], QStringLiteral("Drag and drop the file on the blue area to avoid the "
                                       "use of the Browse Button."));
    EXPECT_EQ(lines[6], QStringLiteral("March 2000. Have a fun!"));
    const std::string text = helpText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 6);
    EXPECT_EQ(plainText("Text3"), "");
}

// A first piece on a floppy whose next piece is on another disk: the window asks for a folder,
// starting in the home folder, then for each next disk, and restores the file in that folder.
TEST_F(CommandsTest, JoinFromFloppyDisksAsksForAFolderThenForEachDisk) {
    namespace fs = std::filesystem;
    prepareSplit();
    click("Command1");
    ASSERT_EQ(caption("Label9"), "Done!");
    const testing::TempDir floppy;
    const testing::TempDir shelf;
    const testing::TempDir into;
    drives.bind('a', floppy.path().string());
    freeSpace.setFreeBytes(1457664 * 2);
    for (const char* piece : {"breldo.1", "breldo.2", "breldo.3"}) {
        fs::rename(dir.file(piece), shelf.file(piece));
    }
    fs::copy_file(shelf.file("breldo.1"), floppy.file("breldo.1"));
    QString startedIn;
    form->surface().runFolderDialog = [&](QFileDialog& dialog) {
        startedIn = dialog.directory().absolutePath();
        return QString::fromStdString(into.path().string());
    };
    const auto answer = form->surface().runMessageBox;
    form->surface().runMessageBox = [&](QMessageBox& box) {
        for (const char* piece : {"breldo.2", "breldo.3"}) {
            if (box.text().contains(QString::fromLatin1(piece) + QStringLiteral(" (disk"))) {
                fs::remove_all(floppy.path());
                fs::create_directory(floppy.path());
                fs::copy_file(shelf.file(piece), floppy.file(piece));
            }
        }
        answer(box);
    };
    boxes.clear();
    browse(QString::fromStdString(floppy.file("breldo.1")));
    click("Command3");
    EXPECT_EQ(startedIn, QDir::homePath());
    EXPECT_EQ(caption("Label9"), "Done!") << ::testing::PrintToString(prompts());
    EXPECT_EQ(readFile(into.file("REPORT.DOC")), source);
    EXPECT_EQ(prompts(),
              (std::vector<std::string>{
                  "Please Insert the Floppy Disk with breldo.2 (disk 2 of 3) then press OK",
                  "Please Insert the Floppy Disk with breldo.3 (disk 3 of 3) then press OK"}));
}

TEST_F(CommandsTest, JoinByClickingRestoresTheFileAndDisablesRejoin) {
    prepareSplit();
    click("Command1");
    ASSERT_EQ(caption("Label9"), "Done!");
    std::filesystem::remove(dir.file("REPORT.DOC"));

    browse(QString::fromStdString(dir.file("breldo.1")));
    ASSERT_TRUE(enabled("Command3"));
    click("Command3");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(readFile(dir.file("REPORT.DOC")), source);
    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_EQ(backColour("Label3"), kGreen);
    EXPECT_EQ(caption("Label5"), "H:  1000000  ");
    EXPECT_EQ(caption("Label7"), "TB: 1000000 FN: 3");
    EXPECT_FALSE(enabled("Command3"));
    EXPECT_TRUE(enabled("Command2"));
    EXPECT_TRUE(enabled("Command5"));
    const QStringList log = fromText(plainText("Text3")).split(QLatin1Char('\n'));
    EXPECT_EQ(log.last(), QStringLiteral("Done!"));
    // The output name as the header stores it, padding included.
    EXPECT_TRUE(log.contains(QString::fromStdString(dir.file("REPORT.DOC  "))));

    // The restored file is there now: a second join is refused and touches nothing.
    boxes.clear();
    browse(QString::fromStdString(dir.file("breldo.1")));
    click("Command3");
    EXPECT_EQ(boxes.size(), 1U);
    EXPECT_EQ(caption("Label9"), "Not completed!");
    EXPECT_EQ(backColour("Label3"), kRed);
    EXPECT_TRUE(enabled("Command3"));
    EXPECT_EQ(readFile(dir.file("REPORT.DOC")), source);
}

TEST_F(CommandsTest, AJoinWhosePiecesDoNotAddUpRestoresThemButEndsNotCompletedWithItsBoxes) {
    prepareSplit();
    click("Command1");
    ASSERT_EQ(caption("Label9"), "Done!");
    std::filesystem::remove(dir.file("REPORT.DOC"));
    std::filesystem::remove(dir.file("breldo.2"));

    browse(QString::fromStdString(dir.file("breldo.1")));
    click("Command3");

    ASSERT_EQ(boxes.size(), 2U);
    EXPECT_EQ(boxes[0].prompt, "Error: CheckSum error: Ignoring...");
    EXPECT_EQ(boxes[1].prompt,
              "The pieces found hold 399840 bytes, but the header records "
              "1000000 bytes.\nbreldo.2 is missing.\n" +
                  dir.file("REPORT.DOC") +
                  " holds what the pieces found hold and is not the file that "
                  "was split. Keep the pieces.");
    EXPECT_EQ(boxes[1].title, "Velmora RORUVEZ");
    EXPECT_EQ(boxes[1].buttons, QMessageBox::Ok);
    EXPECT_EQ(caption("Label9"), "Not completed!");
    EXPECT_EQ(backColour("Label3"), kRed);
    EXPECT_EQ(caption("Label7"), "TB: 399840 FN: 1");
    EXPECT_EQ(fromText(plainText("Text3")).split(QLatin1Char('\n')).count(QStringLiteral("Done!")),
              1);
    EXPECT_TRUE(enabled("Command3"));
    EXPECT_EQ(readFile(dir.file("REPORT.DOC")), source.substr(0, 399840));
}

// A size suffix reads as the console reads it; whatever else is typed reads as it always has.
TEST_F(CommandsTest, SizeSuffixesInTheBoxSplitAsTheConsoleWouldAndTheRefusalsStay) {
    struct Case {
        const char* typed;
        std::size_t pieceSize;  // 0: refused
        std::string box;        // what the box shows afterwards
        std::vector<std::string> prompts;
    };
    const Case cases[] = {
        {"400K", 409600, "400K", {}},
        {"400 kb", 400000, "400 kb", {}},
        {"0.5M", 524288, "0.5M", {}},
        {"1M", 0, "1M", {"Noting to do!\r\nThe source file filesize is: 1000000 Exited!"}},
        {"2G", 0, "2G", {"Overflow"}},
        {"100X", 0, "1400000", {"Sorry no action on files less than 160 bytes!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        rebuildWindow();
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            std::filesystem::remove(entry.path());
        }
        boxes.clear();
        prepareSplit();
        typePieceSize(QString::fromLatin1(c.typed));
        click("Command1");

        std::vector<std::string> prompts;
        for (const auto& box : boxes) {
            prompts.push_back(fromText(box.prompt)
                                  .replace(QLatin1Char('\n'), QStringLiteral("\r\n"))
                                  .toStdString());
        }
        EXPECT_EQ(prompts, c.prompts);
        EXPECT_EQ(plainText("Text2"), c.box);
        if (c.pieceSize == 0) {
            EXPECT_EQ(caption("Label9"), "Not completed!");
            EXPECT_FALSE(std::filesystem::exists(dir.file("breldo.1")));
            continue;
        }
        EXPECT_EQ(caption("Label9"), "Done!");
        EXPECT_EQ(std::filesystem::file_size(dir.file("breldo.1")), c.pieceSize);
        const std::size_t pieces = (source.size() + 160 + c.pieceSize - 1) / c.pieceSize;
        EXPECT_TRUE(std::filesystem::exists(dir.file("breldo." + std::to_string(pieces))));
        EXPECT_FALSE(std::filesystem::exists(dir.file("breldo." + std::to_string(pieces + 1))));
    }
}

TEST(ClockText, DayWithoutLeadingZeroTimeWithLeadingZeros) {
    testing::FixedClock clock;
    struct Case {
        LocalTime time;
        const char* text;
    };
    const Case cases[] = {
        {{2027, 1, 3, 8, 5, 9, 0}, "Sunday, Jan 3 2027 08:05:09"},
        {{2026, 12, 31, 23, 59, 59, 4}, "Thursday, Dec 31 2026 23:59:59"},
        {{2000, 3, 10, 0, 0, 0, 5}, "Friday, Mar 10 2000 00:00:00"},
    };
    for (const Case& c : cases) {
        clock.time = c.time;
        EXPECT_EQ(clockText(clock), c.text);
    }
}

}  // namespace
}  // namespace roruvez

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QUrl>
#include <filesystem>

#include "window/command_line.h"
#include "window/file_chooser.h"
#include "window/window_surface.h"
#include "window_fixture.h"

namespace roruvez {
namespace {

using testing::patternBytes;
using testing::WindowFixture;
using testing::writeFile;

// Command1, Command3, Check1, Drive1.
struct Enabled {
    bool command1;
    bool command3;
    bool check1;
    bool drive1;
    bool operator==(const Enabled&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Enabled& e) {
    return out << e.command1 << e.command3 << e.check1 << e.drive1;
}

class FileSelectionTest : public WindowFixture {
  protected:
    Enabled fourControls() const {
        return {enabled("Command1"), enabled("Command3"), enabled("Check1"), enabled("Drive1")};
    }
    std::string filePath() const { return form->context().state.FilePath; }
    QString made(const std::string& name, std::size_t size) {
        writeFile(dir.file(name), patternBytes(size));
        return QString::fromStdString(dir.file(name));
    }
};

enum class Route { Browse, DropOnWindow, DropOnText1 };

TEST_F(FileSelectionTest, EachKindOfChoiceEnablesWhatFitsItByEveryRoute) {
    std::filesystem::create_directory(dir.path() / "folder");
    std::filesystem::create_directory(dir.path() / ".hidden folder");
    std::filesystem::permissions(
        dir.path() / ".hidden folder",
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    struct Case {
        const char* name;
        std::size_t size;  // the file written; folders are made above
        Enabled expected;
        const char* label5;
    };
    const Enabled split{true, false, true, true};
    const Enabled join{false, true, false, false};
    const Enabled none{false, false, false, false};
    const Case cases[] = {
        {"report.doc", 1234, split, "FSize: 1234"}, {"BRELDO.1", 160, join, "FSize: 160"},
        {"xbreldo.1", 5, join, "FSize: 5"},         {"Breldo.1", 77, join, "FSize: 77"},
        {"breldo.2", 99, split, "FSize: 99"},       {"breldo.10", 99, split, "FSize: 99"},
        {"BRELDO.PAR2", 64, join, "FSize: 64"},     {"empty", 0, split, "FSize: 0"},
        {"folder", 0, none, "DIRECTORY"},           {".hidden folder", 0, none, "DIRECTORY"},
    };
    for (const Route route : {Route::Browse, Route::DropOnWindow, Route::DropOnText1}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " by route " + std::to_string(int(route)));
            const std::string path = dir.file(c.name);
            if (!std::filesystem::is_directory(path)) {
                writeFile(path, patternBytes(c.size));
            } else if (route == Route::Browse) {
                // The dialog enters a folder named in it; only a drop chooses one.
                continue;
            }
            // Start each choice from the opposite state, so that nothing passes by staying.
            form->surface().setCaption(Control::Label5, "stale");
            const QString chosen = QString::fromStdString(path);
            switch (route) {
                case Route::Browse:
                    browse(chosen);
                    break;
                case Route::DropOnWindow:
                    EXPECT_TRUE(drop(form->centralWidget(), {chosen}, twips(1600, 1000)).dropped);
                    break;
                case Route::DropOnText1:
                    EXPECT_TRUE(drop(find("Text1"), {chosen}).dropped);
                    break;
            }
            EXPECT_EQ(fourControls(), c.expected);
            EXPECT_EQ(caption("Label5"), c.label5);
            EXPECT_EQ(plainText("Text1"), path);
            EXPECT_EQ(filePath(), path);
        }
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FileSelectionTest, TwoFilesDroppedAreRefusedAndTheEarlierChoiceStillSplits) {
    const QString source = made("notes.txt", 300000);
    const QString other = made("other.txt", 10);
    browse(source);
    typePieceSize("100000");

    for (QWidget* target : {form->centralWidget(), find("Text1")}) {
        const auto outcome = drop(target, {source, other});
        EXPECT_TRUE(outcome.dropped);
        ASSERT_EQ(boxes.size(), 1U);
        EXPECT_EQ(boxes[0].prompt, "Only one file can be dropped.");
        EXPECT_EQ(boxes[0].title, "Velmora RORUVEZ");
        EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(plainText("Text1"), "");
        EXPECT_EQ(filePath(), source.toStdString());
        EXPECT_EQ(fourControls(), (Enabled{true, false, true, true}));
        EXPECT_EQ(caption("Label5"), "FSize: 300000");
        boxes.clear();
    }

    click("Command1");
    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_EQ(testing::readFile(dir.file("breldo.4")).size(), 160U);
}

TEST_F(FileSelectionTest, DialogOpensAtTheDrivesRootAndACancelSelectsTheLastChoiceAgain) {
    std::string directory;
    onDialog = [&](FileChooser& dialog) { directory = dialog.directory(); };
    browse(std::nullopt);
    EXPECT_EQ(directory, "/");
    EXPECT_EQ(plainText("Text1"), "");
    EXPECT_EQ(filePath(), "");
    EXPECT_EQ(fourControls(), (Enabled{false, false, false, false}));
    EXPECT_EQ(caption("Label5"), "");

    const QString piece = made("breldo.1", 500);
    browse(piece);
    EXPECT_EQ(fourControls(), (Enabled{false, true, false, false}));
    form->surface().setEnabled(Control::Command3, false);
    form->surface().setText(Control::Text1, "");

    browse(std::nullopt);
    EXPECT_EQ(plainText("Text1"), piece.toStdString());
    EXPECT_EQ(filePath(), piece.toStdString());
    EXPECT_EQ(fourControls(), (Enabled{false, true, false, false}));
    // Gone once chosen: nothing goes on watching the directory while a job fills it.
    EXPECT_TRUE(form->findChildren<FileChooser*>().isEmpty());
}

TEST_F(FileSelectionTest, BrowseReopensInTheLastChosenFilesDirectory) {
    QStringList directories;
    onDialog = [&](FileChooser& dialog) { directories << fromText(dialog.directory()); };
    std::filesystem::create_directories(dir.file("deeper/still"));
    const QString first = made("deeper/still/report.doc", 300);
    const QString second = made("other.bin", 300);

    browse(first);
    browse(std::nullopt);
    browse(second);
    // A drop chooses a file, but the dialog's own name is what it keeps.
    drop(form->findChild<QWidget*>(QStringLiteral("Text1")), {first});
    browse(std::nullopt);
    browse(first);
    std::filesystem::remove_all(dir.file("deeper"));
    browse(std::nullopt);

    const QString home = QString::fromStdString(dir.path().string());
    const QString deeper = QString::fromStdString(dir.file("deeper/still"));
    ASSERT_EQ(directories.size(), 6);
    EXPECT_EQ(directories[0], QStringLiteral("/"));
    EXPECT_EQ(directories[1], deeper);
    EXPECT_EQ(directories[2], deeper);
    EXPECT_EQ(directories[3], home);
    EXPECT_EQ(directories[4], home);
    // The last file's directory is gone: the drive's root again.
    EXPECT_EQ(directories[5], QStringLiteral("/"));
}

TEST_F(FileSelectionTest, AFileNamedOnTheCommandLineIsChosenAsADropWouldChooseIt) {
    const std::string piece = made("breldo.1", 500).toStdString();
    const std::string source = made("data.bin", 500).toStdString();
    const std::string folder = dir.path().string();
    struct Case {
        std::vector<std::string> arguments;
        std::string chosen;
        Enabled enabled;
    };
    const std::string relative = std::filesystem::proximate(source).string();
    const std::string later = made("breldo.3", 500).toStdString();
    std::filesystem::create_directory(folder + "/alone");
    const std::string alone = made("alone/breldo.2", 500).toStdString();
    const std::string index = made("breldo.par2", 500).toStdString();
    const std::string lostFirst = made("alone/breldo.par2", 500).toStdString();
    const Case cases[] = {
        {{piece}, piece, {false, true, false, false}},
        // A later piece stands for the set whose first piece is beside it, else for itself.
        {{later}, piece, {false, true, false, false}},
        {{alone}, alone, {true, false, true, true}},
        // So does the recovery data's index, which joins by itself when piece 1 is lost.
        {{index}, piece, {false, true, false, false}},
        {{lostFirst}, lostFirst, {false, true, false, false}},
        {{QUrl::fromLocalFile(QString::fromStdString(source)).toString().toStdString()},
         source,
         {true, false, true, true}},
        {{"file://localhost" + folder + "/./data.bin"}, source, {true, false, true, true}},
        {{relative}, source, {true, false, true, true}},
        {{"--", folder + "/"}, folder, {false, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        rebuildWindow();
        const WindowArguments parsed = parseWindowArguments(c.arguments);
        ASSERT_EQ(parsed.kind, WindowArguments::Kind::Run);
        form->openFile(parsed.file);
        EXPECT_EQ(plainText("Text1"), c.chosen);
        EXPECT_EQ(filePath(), c.chosen);
        EXPECT_EQ(fourControls(), c.enabled);
        EXPECT_TRUE(boxes.empty());
    }
    EXPECT_EQ(caption("Label5"), "DIRECTORY");
    EXPECT_EQ(parseWindowArguments({}).kind, WindowArguments::Kind::Run);
    EXPECT_TRUE(parseWindowArguments({}).file.empty());
    // A file that cannot be chosen is said, and then not chosen.
    EXPECT_EQ(unusableFileReason(source), "");
    EXPECT_EQ(unusableFileReason(folder + "/missing"), "No such file or directory");
    EXPECT_EQ(unusableFileReason(source + "/x"), "Not a directory");
}

// Names are bytes: a name that is not UTF-8 is chosen by every route as itself, and the split
// and the join work on that very file.
TEST_F(FileSelectionTest, ANameThatIsNotUtf8IsChosenByEveryRouteAndSplitAndJoinedAsItself) {
    const std::string folder = dir.file("d\xFF");
    const std::string source = folder + "/a\xFF.bin";
    const std::string data = patternBytes(5000, 7);
    std::filesystem::create_directory(folder);
    writeFile(source, data);
    // Percent-encoded as a file manager writes it.
    const auto url = [](const std::string& path) {
        return "file://" + QByteArray(path.data(), static_cast<qsizetype>(path.size()))
                               .toPercentEncoding("/")
                               .toStdString();
    };
    ASSERT_EQ(url(source).find('\xFF'), std::string::npos);

    enum class Way { Browse, DropOnWindow, DropOnText1, UriList, Argument, ArgumentUrl };
    for (const Way way : {Way::Browse, Way::DropOnWindow, Way::DropOnText1, Way::UriList,
                          Way::Argument, Way::ArgumentUrl}) {
        SCOPED_TRACE(static_cast<int>(way));
        rebuildWindow();
        switch (way) {
            case Way::Browse:
                onDialog = [&](FileChooser& dialog) {
                    testing::typeInDialog(dialog, QString::fromStdString(dir.path().string()));
                    testing::pickInDialog(dialog, "d\xFF");
                    testing::pickInDialog(dialog, "a\xFF.bin");
                };
                browse(std::nullopt);
                break;
            case Way::DropOnWindow:
                EXPECT_TRUE(
                    drop(form->centralWidget(), {fromText(source)}, twips(1600, 1000)).dropped);
                break;
            case Way::DropOnText1:
                EXPECT_TRUE(drop(find("Text1"), {fromText(source)}).dropped);
                break;
            case Way::UriList:
                EXPECT_TRUE(dropUriList(find("Text1"), QByteArray::fromStdString(
                                                           "# one file\r\n" + url(source) + "\r\n"))
                                .dropped);
                break;
            case Way::Argument:
                form->openFile(parseWindowArguments({source}).file);
                break;
            case Way::ArgumentUrl:
                form->openFile(parseWindowArguments({url(source)}).file);
                break;
        }
        EXPECT_EQ(filePath(), source);
        EXPECT_EQ(plainText("Text1"), source);
        EXPECT_EQ(caption("Label5"), "FSize: 5000");
        EXPECT_EQ(fourControls(), (Enabled{true, false, true, true}));
    }

    // The split reads that file; the header can hold no stray byte, so the user is asked.
    typePieceSize("2000");
    click("Command1");
    EXPECT_EQ(caption("Label9"), "Done!");
    EXPECT_EQ(prompts(),
              std::vector<std::string>{"The file will be saved and restored as: a?.bin\nTurn on "
                                       "checksums to keep its long name: breldo.sha256 then "
                                       "keeps it for the join."});
    const std::string pieces = testing::readFile(folder + "/breldo.1").substr(160) +
                               testing::readFile(folder + "/breldo.2") +
                               testing::readFile(folder + "/breldo.3");
    EXPECT_TRUE(pieces == data);

    // The first piece of that set, dropped and named on the command line, restores the data.
    const std::string first = folder + "/breldo.1";
    for (const bool dropped : {true, false}) {
        SCOPED_TRACE(dropped ? "dropped" : "argument");
        rebuildWindow();
        std::filesystem::remove(folder + "/a?.bin");
        if (dropped) {
            EXPECT_TRUE(drop(find("Text1"), {fromText(first)}).dropped);
        } else {
            form->openFile(parseWindowArguments({url(first)}).file);
        }
        EXPECT_EQ(filePath(), first);
        EXPECT_EQ(plainText("Text1"), first);
        ASSERT_EQ(fourControls(), (Enabled{false, true, false, false}));
        click("Command3");
        EXPECT_EQ(caption("Label9"), "Done!");
        EXPECT_TRUE(testing::readFile(folder + "/a?.bin") == data);
    }
    EXPECT_TRUE(testing::readFile(source) == data);
}

TEST_F(FileSelectionTest, APathThatVanishedLeavesAllDisabledAndTheSizeEmpty) {
    const QString source = made("gone.bin", 1000);
    browse(source);
    EXPECT_EQ(caption("Label5"), "FSize: 1000");
    std::filesystem::remove(source.toStdString());

    EXPECT_TRUE(drop(find("Text1"), {source}).dropped);
    EXPECT_EQ(fourControls(), (Enabled{false, false, false, false}));
    EXPECT_EQ(caption("Label5"), "");
    EXPECT_EQ(plainText("Text1"), source.toStdString());
    EXPECT_TRUE(boxes.empty());

    // A dangling link is just as gone.
    std::filesystem::create_symlink(dir.file("nowhere"), dir.file("link"));
    browse(QString::fromStdString(dir.file("link")));
    EXPECT_EQ(fourControls(), (Enabled{false, false, false, false}));
}

TEST_F(FileSelectionTest, DropsLandOnTheSurfaceBandAndLabelsButNotOnControlsWithInput) {
    const QString file = made("a.txt", 3);
    struct Case {
        const char* what;
        QPoint at;  // in the window's surface
        bool taken;
    };
    const Case cases[] = {
        {"blue band between buttons", twips(1600, 1000), true},
        {"Label5", twips(200, 1800), true},
        {"Label9", twips(3000, 2100), true},
        {"Label3 lamp on the band", twips(4600, 600), true},
        {"below the log", twips(2000, 4540), true},
        {"Command2", twips(3500, 900), false},
        {"Command1", twips(400, 900), false},
        {"Drive1", twips(2500, 550), false},
        {"Check1", twips(1300, 550), false},
        {"Text2", twips(1200, 1450), false},
        {"Text3", twips(2000, 3800), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form->surface().setText(Control::Text1, "");
        const auto outcome = drop(form->centralWidget(), {file}, c.at);
        EXPECT_EQ(outcome.dropped, c.taken);
        EXPECT_EQ(plainText("Text1"), c.taken ? file.toStdString() : "");
        if (c.taken) {
            // Never a move: the file manager would delete the file.
            EXPECT_EQ(outcome.action, Qt::CopyAction);
        }
    }

    // Through the widget under the pointer, as the platform delivers it.
    form->surface().setText(Control::Text1, "");
    EXPECT_FALSE(drop(find("Command2"), {file}).dropped);
    EXPECT_FALSE(drop(find("Text2"), {file}).dropped);
    EXPECT_TRUE(drop(find("Label5"), {file}).dropped);
    EXPECT_EQ(plainText("Text1"), file.toStdString());

    // A drag that comes in over a control that takes no drops still drops on the band.
    for (const char* control : {"Command1", "Check1", "Drive1", "Text2", "Text3", "Label9"}) {
        SCOPED_TRACE(std::string("entered over ") + control);
        form->surface().setText(Control::Text1, "");
        EXPECT_TRUE(dropAfterEntering(find(control), {file}, twips(1600, 1000)).dropped);
        EXPECT_EQ(plainText("Text1"), file.toStdString());
    }
}

TEST_F(FileSelectionTest, ADropWithoutAFileIsIgnored) {
    const QString file = made("kept.txt", 42);
    browse(file);
    for (QWidget* target : {form->centralWidget(), find("Text1")}) {
        EXPECT_FALSE(dropText(target, QStringLiteral("just words")).entered);
        EXPECT_FALSE(drop(target, {}).entered);
    }
    EXPECT_EQ(plainText("Text1"), file.toStdString());
    EXPECT_EQ(filePath(), file.toStdString());
    EXPECT_EQ(caption("Label5"), "FSize: 42");
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace roruvez

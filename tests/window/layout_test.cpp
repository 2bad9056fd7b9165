#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>

#include "window/commands.h"
#include "window/palette.h"
#include "window/window_icon.h"
#include "window/window_surface.h"
#include "window_fixture.h"

namespace roruvez {
namespace {

using testing::WindowFixture;

class LayoutTest : public WindowFixture {};

const QColor kGreen(0, 255, 0);

TEST_F(LayoutTest, StartsWithDefaultSizeFourControlsDisabledAndTheClockOneTickLater) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("BRELDO  Velmora VER: 160-A.03-2000"));
    EXPECT_EQ(find<QPushButton>("Command3")->text(), QStringLiteral(" BRELDO -R"));
    EXPECT_EQ(find<QPushButton>("Command1")->text(), QStringLiteral("BRELDO"));
    EXPECT_EQ(find<QPushButton>("Command2")->text(), QStringLiteral("CLEAR"));
    EXPECT_EQ(find<QPushButton>("Command5")->text(), QStringLiteral("Browse"));
    EXPECT_EQ(find<QCheckBox>("Check1")->text(), QStringLiteral("SaveTo:"));
    EXPECT_EQ(caption("Label2"), "File size:");
    EXPECT_EQ(plainText("Text2"), "1400000");
    EXPECT_EQ(plainText("Text1"), "");
    EXPECT_EQ(plainText("Text3"), "");
    EXPECT_EQ(form->context().state.MaxPieces, 10000);

    for (const char* name : {"Command1", "Command3", "Check1", "Drive1"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    for (const char* name : {"Command2", "Command5", "Text1", "Text2", "Text3"}) {
        EXPECT_TRUE(enabled(name)) << name;
    }
    EXPECT_EQ(find<QCheckBox>("Check1")->checkState(), Qt::Unchecked);
    for (const char* name : {"Label3", "Label9", "Label10"}) {
        EXPECT_EQ(backColour(name), kGreen) << name;
    }

    auto* timer = find<QTimer>("Timer1");
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(caption("Label10"), "");
    clock.time = {2027, 1, 3, 8, 5, 9, 0};
    EXPECT_TRUE(QTest::qWaitFor([&] { return !caption("Label10").empty(); }, 5000));
    EXPECT_EQ(caption("Label10"), "Sunday, Jan 3 2027 08:05:09");
}

// Every control a user sees, the band aside.
const char* const kControls[] = {"Command3", "Command1", "Text1",  "Text2",  "Command2", "Label2",
                                 "Label3",   "Label5",   "Label7", "Label8", "Label9",   "Command5",
                                 "Label10",  "Check1",   "Text3",  "Drive1"};
// The controls on the blue band; the others sit below it.
const char* const kOnTheBand[] = {"Command5", "Label10",  "Check1",   "Drive1",
                                  "Label3",   "Command1", "Command3", "Command2"};

bool onTheBand(const QString& name) {
    return std::any_of(std::begin(kOnTheBand), std::end(kOnTheBand),
                       [&](const char* on) { return name == QLatin1String(on); });
}

TEST_F(LayoutTest, EveryControlShowsWholeInTheFixedClientAreaAndNoneCoversAnother) {
    QWidget* client = form->centralWidget();
    EXPECT_EQ(client->size(), QSize(325, 305));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_LT(form->menuBar()->geometry().bottom(), client->geometry().top());

    const QRect band = find("Shape1")->geometry();
    EXPECT_TRUE(client->rect().contains(band));
    for (const char* name : kControls) {
        SCOPED_TRACE(name);
        QWidget* widget = find(name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), client);
        EXPECT_TRUE(widget->isVisible());
        const QRect place = widget->geometry();
        EXPECT_FALSE(place.isEmpty());
        EXPECT_TRUE(client->rect().contains(place));
        if (onTheBand(QString::fromLatin1(name))) {
            EXPECT_TRUE(band.contains(place));
        } else {
            // Boxes below may share the band's last line, as boxes share their borders.
            EXPECT_GE(place.top(), band.bottom());
        }
    }

    // Neighbouring boxes share at most a border line.
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        for (std::size_t j = i + 1; j < std::size(kControls); ++j) {
            const QRect common = find(kControls[i])->geometry() & find(kControls[j])->geometry();
            EXPECT_TRUE(common.isEmpty() || common.width() <= 1 || common.height() <= 1)
                << kControls[i] << " covers " << kControls[j];
        }
    }
}

TEST_F(LayoutTest, CaptionsFitTheirControlsInBoldFacesWithTheMetricsOfArial) {
    // The layout names Windows faces; what draws them is the face itself or one that measures
    // like Arial, never whatever the machine's default is.
    const QStringList named{"MS Sans Serif", "Arial", "System", "Small Fonts"};
    const QStringList arialMetrics{"Arial", "Liberation Sans", "Arimo"};
    for (const char* name : kControls) {
        SCOPED_TRACE(name);
        const QFont font = find(name)->font();
        const QFontInfo drawn(font);
        EXPECT_TRUE(named.contains(font.family())) << font.family().toStdString();
        EXPECT_TRUE(drawn.family() == font.family() || arialMetrics.contains(drawn.family()))
            << drawn.family().toStdString();
        EXPECT_TRUE(drawn.bold());
        EXPECT_NEAR(drawn.pointSizeF(), font.pointSizeF(), 0.5);
    }
    for (const char* name : {"Command3", "Command1", "Command2", "Command5", "Check1"}) {
        auto* button = find<QAbstractButton>(name);
        const int room =
            qobject_cast<QCheckBox*>(button) != nullptr
                ? button->width() - button->sizeHint().width()
                : button->width() - button->fontMetrics().horizontalAdvance(button->text());
        EXPECT_GT(room, 0) << name;
    }
    auto* label2 = find<QLabel>("Label2");
    EXPECT_LT(label2->fontMetrics().horizontalAdvance(label2->text()),
              label2->contentsRect().width());
    auto* text2 = find<QLineEdit>("Text2");
    EXPECT_LT(text2->fontMetrics().horizontalAdvance(QStringLiteral("2147483647")), text2->width());
}

TEST_F(LayoutTest, ColoursBordersLimitsAndTheBandBehindEverything) {
    auto* text1 = find<QPlainTextEdit>("Text1");
    EXPECT_EQ(text1->palette().color(QPalette::Base), QColor(0, 255, 255));
    EXPECT_EQ(text1->palette().color(QPalette::Text), QColor(0, 0, 192));
    EXPECT_EQ(text1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    auto* text2 = find<QLineEdit>("Text2");
    EXPECT_EQ(text2->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(text2->palette().color(QPalette::Text), QColor(0, 0, 192));
    auto* text3 = find<QPlainTextEdit>("Text3");
    EXPECT_EQ(text3->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(text3->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    EXPECT_EQ(find("Label3")->palette().color(QPalette::WindowText), QColor(64, 64, 64));
    EXPECT_EQ(find("Label8")->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_EQ(find("Label9")->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    EXPECT_EQ(backColour("Shape1"), QColor(0, 0, 255));
    EXPECT_TRUE(find("Shape1")->autoFillBackground());

    for (const char* name :
         {"Label2", "Label3", "Label5", "Label7", "Label8", "Label9", "Label10"}) {
        auto* label = find<QLabel>(name);
        EXPECT_EQ(label->frameShape(), QFrame::Box) << name;
        EXPECT_EQ(label->lineWidth(), 1) << name;
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus) << name;
    }
    EXPECT_EQ(find<QLabel>("Label10")->alignment(), Qt::AlignCenter);

    text2->selectAll();
    QTest::keyClicks(text2, QStringLiteral("123456789012345"));
    EXPECT_EQ(text2->text(), QStringLiteral("1234567890"));

    // The band is the lowest child, so every control is painted over it.
    EXPECT_EQ(form->centralWidget()->children().indexOf(find("Shape1")), 0);
}

TEST_F(LayoutTest, TheTabKeyReachesEveryEnabledControlInTabIndexOrderAndSkipsTheRest) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto tabbing = [&](const char* from, int presses) {
        find(from)->setFocus(Qt::TabFocusReason);
        std::string reached;
        for (int i = 0; i <= presses; ++i) {
            QWidget* focused = QApplication::focusWidget();
            if (focused == nullptr) {
                break;
            }
            // Appended in place: a literal joined to a temporary trips GCC 12's -Wrestrict at -O3.
            if (!reached.empty()) {
                reached += ' ';
            }
            reached += focused->objectName().toStdString();
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        return reached;
    };

    EXPECT_EQ(tabbing("Text1", 5), "Text1 Text2 Command2 Command5 Text3 Text1");

    for (const char* name : {"Command1", "Command3", "Check1", "Drive1"}) {
        find(name)->setEnabled(true);
    }
    EXPECT_EQ(tabbing("Command3", 9),
              "Command3 Command1 Text1 Text2 Command2 Command5 Check1 Text3 Drive1 Command3");
}

TEST_F(LayoutTest, MenuHasChecksumsAboutAndExitWithoutShortcutsAndOpensWithAltF) {
    auto* file = find<QMenu>("File");
    ASSERT_NE(file, nullptr);
    // Shown as "File", with F as its mnemonic.
    EXPECT_EQ(file->title(), QStringLiteral("&File"));
    EXPECT_EQ(file->menuAction()->iconText(), QStringLiteral("File"));
    EXPECT_EQ(QKeySequence::mnemonic(file->title()), QKeySequence(Qt::ALT | Qt::Key_F));
    QApplication::setActiveWindow(form.get());
    QTest::keyClick(form->menuBar(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(file->isVisible());
    file->hide();
    const QList<QAction*> items = file->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Checksums"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("Recovery data"));
    ASSERT_NE(items[1]->menu(), nullptr);
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->text(), QStringLiteral("About"));
    EXPECT_EQ(items[4]->text(), QStringLiteral("Exit"));
    for (QAction* item : items) {
        EXPECT_TRUE(item->shortcut().isEmpty());
        EXPECT_EQ(item->isCheckable(), item == items[0]);
    }
    EXPECT_EQ(form->menuBar()->actions().size(), 1);
}

TEST_F(LayoutTest, DriveListShowsTheDriveTableWithTheWorkingDirectorysDriveSelected) {
    auto* list = find<QComboBox>("Drive1");
    QStringList shown;
    for (int i = 0; i < list->count(); ++i) {
        shown.append(list->itemText(i));
    }
    EXPECT_EQ(shown, (QStringList{"a: [no disk]", "b: [no disk]", "c: [/]"}));
    EXPECT_EQ(list->currentText(), QStringLiteral("c: [/]"));
    EXPECT_EQ(form->surface().currentDrive(), "c: [/]");
}

TEST(Twips, ScaleWithTheScreensDotsPerInch) {
    struct Case {
        int twips;
        double dpi;
        int pixels;
    };
    const Case cases[] = {{15, 96, 1},      {4875, 96, 325},  {4575, 96, 305},
                          {4875, 144, 488}, {1440, 120, 120}, {255, 192, 34}};
    for (const Case& c : cases) {
        EXPECT_EQ(twipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
    }
}

TEST(WindowIcon, TheThemeFilesShowTheWindowsDrawing) {
    // Every size the icon theme gets shows the colours of the SVG: both are drawn from one list.
    const QString svg = iconSvg();
    QSet<QRgb> svgColours;
    static const QRegularExpression kFill(QStringLiteral("fill=\"(#[0-9a-f]{6})\""));
    for (auto match = kFill.globalMatch(svg); match.hasNext();) {
        svgColours.insert(QColor::fromString(match.next().captured(1)).rgb());
    }
    EXPECT_EQ(svg.count(QStringLiteral("<polygon ")), 8);
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QImage image = drawIconImage(size);
        QSet<QRgb> used;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                used.insert(image.pixel(x, y));
            }
        }
        // At 16 pixels the thinnest lines may fall between pixels.
        EXPECT_TRUE(svgColours.contains(used)) << size;
        EXPECT_TRUE(size < 32 || used == svgColours) << size;
    }
}

TEST(WindowIcon, HasTwoSizesInSixteenColours) {
    for (const int size : {32, 16}) {
        const QImage image = drawIconImage(size);
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(image.format(), QImage::Format_Indexed8);
        EXPECT_EQ(image.colorCount(), 16);
        QSet<int> used;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                used.insert(image.pixelIndex(x, y));
            }
        }
        // Blue band, page, cut and lamp at the least.
        EXPECT_GE(used.size(), 4) << size;
        EXPECT_TRUE(used.contains(9) && used.contains(12) && used.contains(10)) << size;
    }
    const QList<QSize> sizes = makeWindowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
}

}  // namespace
}  // namespace roruvez

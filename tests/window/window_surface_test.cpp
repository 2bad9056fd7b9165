#include "window/window_surface.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "window_fixture.h"

namespace roruvez {
namespace {

using testing::WindowFixture;

class WindowSurfaceTest : public WindowFixture {
  protected:
    // Shows a real modal box and presses a key in it once it is up.
    Answer askWithKey(Buttons buttons, Qt::Key key, std::string* title = nullptr) {
        form->surface().runMessageBox = [](QMessageBox& box) { box.exec(); };
        bool pressed = false;
        std::function<void()> pressWhenShown = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                QTimer::singleShot(10, form.get(), pressWhenShown);
                return;
            }
            if (title != nullptr) {
                *title = toText(box->windowTitle());
            }
            pressed = true;
            QTest::keyClick(box, key);
        };
        QTimer::singleShot(0, form.get(), pressWhenShown);
        const Answer answer = form->surface().messageBox("Go on?", buttons);
        EXPECT_TRUE(pressed);
        return answer;
    }
};

TEST_F(WindowSurfaceTest, RealBoxesAnswerEscapeWithCancelAndEnterWithOk) {
    std::string title;
    EXPECT_EQ(askWithKey(Buttons::OkCancel, Qt::Key_Escape, &title), Answer::Cancel);
    EXPECT_EQ(title, "Velmora RORUVEZ");
    EXPECT_EQ(askWithKey(Buttons::OkCancel, Qt::Key_Return), Answer::Ok);
    EXPECT_EQ(askWithKey(Buttons::Ok, Qt::Key_Escape), Answer::Ok);
    EXPECT_EQ(askWithKey(Buttons::OkSkipCancel, Qt::Key_Escape), Answer::Cancel);
    rebuildWindow();
    answers = {QMessageBox::Ignore, QMessageBox::Ok};
    EXPECT_EQ(form->surface().messageBox("Go on?", Buttons::OkSkipCancel), Answer::Skip);
    EXPECT_EQ(form->surface().messageBox("Go on?", Buttons::OkSkipCancel), Answer::Ok);
    EXPECT_EQ(boxes.at(0).buttons, QMessageBox::Ok | QMessageBox::Ignore | QMessageBox::Cancel);
}

TEST(MessageBoxLook, NoIconTitleButtonsAndDefault) {
    struct Case {
        Buttons buttons;
        std::string title;
        const char* shownTitle;
        QMessageBox::StandardButtons shownButtons;
        QMessageBox::StandardButton escape;
    };
    const Case cases[] = {
        {Buttons::Ok, "", "Velmora RORUVEZ", QMessageBox::Ok, QMessageBox::Ok},
        {Buttons::OkCancel, "", "Velmora RORUVEZ", QMessageBox::Ok | QMessageBox::Cancel,
         QMessageBox::Cancel},
        {Buttons::OkCancel, "Warning!", "Warning!", QMessageBox::Ok | QMessageBox::Cancel,
         QMessageBox::Cancel},
        {Buttons::OkSkipCancel, "", "Velmora RORUVEZ",
         QMessageBox::Ok | QMessageBox::Ignore | QMessageBox::Cancel, QMessageBox::Cancel},
    };
    for (const Case& c : cases) {
        QMessageBox box;
        prepareMessageBox(box, "line one\r\nline <b>two</b>", c.buttons, c.title);
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.windowTitle(), QString::fromLatin1(c.shownTitle));
        EXPECT_EQ(box.standardButtons(), c.shownButtons);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Ok));
        EXPECT_EQ(box.escapeButton(), box.button(c.escape));
        EXPECT_EQ(box.text(), QStringLiteral("line one\nline <b>two</b>"));
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        if (c.buttons == Buttons::OkSkipCancel) {
            EXPECT_EQ(box.button(QMessageBox::Ignore)->text(), QStringLiteral("Skip"));
        }
    }
}

TEST_F(WindowSurfaceTest, LogGetsALineBreakBeforeEachLineAndShowsItsEnd) {
    WindowSurface& surface = form->surface();
    surface.appendLog("/data/breldo.1");
    EXPECT_EQ(surface.text(Control::Text3), "\r\n/data/breldo.1");
    for (int i = 0; i < 60; ++i) {
        surface.appendLog("line " + std::to_string(i));
    }
    auto* log = find<QPlainTextEdit>("Text3");
    EXPECT_EQ(log->textCursor().position(), log->document()->characterCount() - 1);
    EXPECT_GT(log->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(log->viewport()->rect().contains(log->cursorRect()));

    surface.setText(Control::Text3, "");
    surface.appendLog("Done!");
    EXPECT_EQ(plainText("Text3"), "\nDone!");
}

TEST_F(WindowSurfaceTest, TextsCaptionsAndColoursReachTheirControls) {
    WindowSurface& surface = form->surface();
    surface.setText(Control::Text2, "161");
    EXPECT_EQ(surface.text(Control::Text2), "161");
    EXPECT_EQ(plainText("Text2"), "161");
    surface.setCaption(Control::Label7, "CSum:  1000000  ");
    EXPECT_EQ(caption("Label7"), "CSum:  1000000  ");
    surface.setCaption(Control::Label9, "<i>not markup</i>");
    EXPECT_EQ(find<QLabel>("Label9")->textFormat(), Qt::PlainText);
    surface.setBackColour(Control::Label3, kLightRed);
    EXPECT_EQ(backColour("Label3"), QColor(255, 0, 0));
    surface.setBackColour(Control::Label3, kLightGreen);
    EXPECT_EQ(backColour("Label3"), QColor(0, 255, 0));
    surface.setText(Control::Text1, "/d/\xc3\xa9t\xc3\xa9.txt");
    EXPECT_EQ(find<QPlainTextEdit>("Text1")->toPlainText(), QStringLiteral("/d/\u00e9t\u00e9.txt"));
}

}  // namespace
}  // namespace roruvez

// The window as a screen reader and a keyboard user meet it: names, descriptions and the label
// of the size box, the lamp in words, the outcome announced and the clock kept quiet, and the
// focus and the fixed colours under a dark desktop theme.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "window/window_surface.h"
#include "window_fixture.h"

namespace roruvez {
namespace {

using testing::patternBytes;
using testing::WindowFixture;
using testing::writeFile;

class AccessibilityTest : public WindowFixture {
  protected:
    QAccessibleInterface* face(const char* name) const {
        return QAccessible::queryAccessibleInterface(find(name));
    }
    QString lampState() const { return face("Label3")->text(QAccessible::Description); }
    // The notice a screen reader speaks: what it says, or nothing while it is hidden.
    QString notice() const {
        QAccessibleInterface* notice = face("OutcomeNotice");
        EXPECT_EQ(notice->role(), QAccessible::Notification);
        return notice->state().invisible ? QString() : notice->text(QAccessible::Name);
    }
};

TEST_F(AccessibilityTest, EveryControlHasANameAndADescriptionAndTheVisibleTextsStay) {
    struct Expected {
        const char* control;
        const char* name;  // nullptr: the visible text, which a change makes heard
    };
    const Expected controls[] = {
        {"Command3", "BRELDO -R"}, {"Command1", "BRELDO"}, {"Command2", "CLEAR"},
        {"Command5", "Browse"},    {"Check1", "SaveTo:"},  {"Text1", "Chosen file"},
        {"Text2", "File size:"},   {"Text3", "Log"},       {"Shape1", "Drop area"},
        {"Label3", "Result lamp"}, {"Label10", "Clock"},   {"Label2", nullptr},
        {"Label5", nullptr},       {"Label7", nullptr},    {"Label8", nullptr},
        {"Label9", nullptr},
    };
    form->surface().setCaption(Control::Label5, "FSize: 10");
    for (const Expected& c : controls) {
        SCOPED_TRACE(c.control);
        QAccessibleInterface* control = face(c.control);
        ASSERT_NE(control, nullptr);
        const QString expected =
            c.name != nullptr ? QString::fromLatin1(c.name) : find<QLabel>(c.control)->text();
        EXPECT_EQ(control->text(QAccessible::Name), expected);
        EXPECT_FALSE(control->text(QAccessible::Description).isEmpty());
    }
    // "File size:" labels the size box, and a label that only assistive technologies see
    // names the drive list, which Qt on Linux otherwise names by the drive it shows.
    const std::pair<const char*, const char*> labels[] = {{"Text2", "File size:"},
                                                          {"Drive1", "Output drive"}};
    for (const auto& [control, label] : labels) {
        const auto labelled = face(control)->relations(QAccessible::Label);
        ASSERT_EQ(labelled.size(), 1) << control;
        EXPECT_EQ(labelled.first().first->text(QAccessible::Name), QString::fromLatin1(label));
    }
    EXPECT_EQ(find<QLabel>("Label2")->buddy(), find("Text2"));
    // What is shown is unchanged.
    EXPECT_EQ(caption("Label2"), "File size:");
    EXPECT_EQ(caption("Label3"), "");
    EXPECT_EQ(find<QPushButton>("Command3")->text(), QStringLiteral(" BRELDO -R"));

    // The menu's Checksums item is a switch that says it is off as well as on, reached as the
    // menu's child as a screen reader reaches it, and toggled through its action.
    QAccessibleInterface* checksums = QAccessible::queryAccessibleInterface(find("File"))->child(0);
    ASSERT_NE(checksums, nullptr);
    EXPECT_EQ(checksums->role(), QAccessible::CheckBox);
    EXPECT_EQ(checksums->text(QAccessible::Name), QStringLiteral("Checksums"));
    EXPECT_TRUE(checksums->state().checkable);
    EXPECT_FALSE(checksums->state().checked);
    checksums->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(find<QAction>("Checksums")->isChecked());
    EXPECT_TRUE(checksums->state().checked);
    find<QAction>("Checksums")->trigger();
}

TEST_F(AccessibilityTest, TheLampSaysInWordsWhatItsColourSaysAndTheOutcomeIsAnnounced) {
    EXPECT_EQ(lampState(), QStringLiteral("ready"));
    EXPECT_EQ(notice(), QString());
    writeFile(dir.file("data.bin"), patternBytes(1000));
    browse(QString::fromStdString(dir.file("data.bin")));
    typePieceSize(QStringLiteral("400"));
    QString whileRunning;
    QString noticeWhileRunning = QStringLiteral("unseen");
    form->surface().onProgress = [&](const JobProgress&) {
        whileRunning = lampState();
        noticeWhileRunning = notice();
    };
    click("Command1");
    ASSERT_EQ(caption("Label9"), "Done!");
    EXPECT_EQ(whileRunning, QStringLiteral("job running"));
    EXPECT_EQ(lampState(), QStringLiteral("done"));
    EXPECT_EQ(noticeWhileRunning, QString());
    EXPECT_EQ(notice(), QStringLiteral("Done!"));

    // A failure, announced anew: the pieces are there already.
    noticeWhileRunning = QStringLiteral("unseen");
    auto answer = form->surface().runMessageBox;
    form->surface().runMessageBox = [&, answer](QMessageBox& box) {
        noticeWhileRunning = notice();
        answer(box);
    };
    browse(QString::fromStdString(dir.file("data.bin")));
    click("Command1");
    ASSERT_EQ(caption("Label9"), "Not completed!");
    EXPECT_EQ(lampState(), QStringLiteral("failed"));
    EXPECT_EQ(noticeWhileRunning, QString());
    EXPECT_EQ(notice(), QStringLiteral("Not completed!"));

    click("Command2");
    EXPECT_EQ(lampState(), QStringLiteral("ready"));
}

// A name that changes is announced; the clock's stays the same from tick to tick.
TEST_F(AccessibilityTest, TheClockTicksWithoutChangingItsName) {
    const QString before = face("Label10")->text(QAccessible::Name);
    clock.time = {2027, 1, 3, 8, 5, 9, 0};
    ASSERT_TRUE(QTest::qWaitFor([&] { return !caption("Label10").empty(); }, 5000));
    EXPECT_EQ(face("Label10")->text(QAccessible::Name), before);
    EXPECT_EQ(before, QStringLiteral("Clock"));
    // The status line, in contrast, is heard as it changes.
    form->surface().setCaption(Control::Label9, "Checking Files...");
    EXPECT_EQ(face("Label9")->text(QAccessible::Name), QStringLiteral("Checking Files..."));
}

double luminance(const QColor& colour) {
    auto channel = [](double value) {
        value /= 255.0;
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) +
           0.0722 * channel(colour.blue());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A dark desktop theme, as the platform would hand it to every widget.
QPalette darkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(255, 255, 255));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(255, 255, 255));
    dark.setColor(QPalette::Button, QColor(50, 50, 50));
    dark.setColor(QPalette::ButtonText, QColor(255, 255, 255));
    dark.setColor(QPalette::Highlight, QColor(0, 255, 255));
    dark.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
    return dark;
}

class DarkThemeTest : public WindowFixture {
  protected:
    DarkThemeTest() {
        saved_ = QApplication::palette();
        QApplication::setPalette(darkPalette());
        rebuildWindow();
    }
    ~DarkThemeTest() override {
        form.reset();
        QApplication::setPalette(saved_);
    }

    // The strongest contrast against background among the pixels that the focus changes.
    double focusContrast(const char* name, const QColor& background) {
        QWidget* widget = find(name);
        widget->setEnabled(true);
        QApplication::setActiveWindow(form.get());
        // Reached with the Tab key from the control before it, as a keyboard user does.
        QWidget* previous = widget->previousInFocusChain();
        while (!previous->isEnabled() || !previous->isVisible() ||
               (previous->focusPolicy() & Qt::TabFocus) == 0) {
            previous = previous->previousInFocusChain();
        }
        previous->setFocus(Qt::OtherFocusReason);
        const QImage before = widget->grab().toImage();
        QTest::keyClick(previous, Qt::Key_Tab);
        EXPECT_TRUE(widget->hasFocus()) << name;
        const QImage after = widget->grab().toImage();
        double best = 1.0;
        for (int y = 0; y < after.height(); ++y) {
            for (int x = 0; x < after.width(); ++x) {
                if (before.pixel(x, y) != after.pixel(x, y)) {
                    best = std::max(best, contrast(after.pixelColor(x, y), background));
                }
            }
        }
        return best;
    }

    // Rows just above the middle of the control that the focus turns to a colour at least 3:1
    // from what stood there: how thick the focus shows.
    int focusThickness(const char* name) {
        QWidget* widget = find(name);
        widget->setEnabled(true);
        QApplication::setActiveWindow(form.get());
        // Elsewhere first, far enough that its frame does not reach this control.
        find(std::string(name) == "Command2" ? "Text3" : "Command2")->setFocus(Qt::TabFocusReason);
        QWidget* surface = form->centralWidget();
        const QPoint top = widget->mapTo(surface, QPoint(widget->width() / 2, 0));
        const QRect strip(top.x(), top.y() - 8, 1, 8);
        const QImage before = surface->grab(strip).toImage();
        widget->setFocus(Qt::TabFocusReason);
        const QImage after = surface->grab(strip).toImage();
        int rows = 0;
        for (int y = 0; y < before.height(); ++y) {
            rows += contrast(before.pixelColor(0, y), after.pixelColor(0, y)) >= 3.0 ? 1 : 0;
        }
        return rows;
    }

  private:
    QPalette saved_;
};

// Every label's text is readable on its own background under the default palette and a dark
// one: at least 4.5:1.
TEST_F(DarkThemeTest, EveryLabelIsReadableUnderBothPalettes) {
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark palette" : "default palette");
        QApplication::setPalette(dark ? darkPalette() : QPalette());
        rebuildWindow();
        for (const char* name :
             {"Label2", "Label3", "Label5", "Label7", "Label8", "Label9", "Label10"}) {
            const QPalette shown = find(name)->palette();
            EXPECT_GE(contrast(shown.color(QPalette::Window), shown.color(QPalette::WindowText)),
                      4.5)
                << name;
        }
    }
}

TEST_F(DarkThemeTest, TheFocusIsAtLeastTwoPixelsThatStandOutUnderBothPalettes) {
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark palette" : "default palette");
        QApplication::setPalette(dark ? darkPalette() : QPalette());
        rebuildWindow();
        for (const char* name : {"Command1", "Command2", "Command3", "Command5", "Check1", "Drive1",
                                 "Text1", "Text2", "Text3"}) {
            EXPECT_GE(focusThickness(name), 2) << name;
        }
    }
}

TEST_F(DarkThemeTest, FixedBackgroundsKeepFixedForegroundsAndTheFocusShows) {
    struct Fixed {
        const char* control;
        QPalette::ColorRole back;
        QPalette::ColorRole text;
    };
    const Fixed fixed[] = {
        {"Label3", QPalette::Window, QPalette::WindowText},
        {"Label9", QPalette::Window, QPalette::WindowText},
        {"Label10", QPalette::Window, QPalette::WindowText},
        {"Check1", QPalette::Window, QPalette::WindowText},
        {"Check1", QPalette::Base, QPalette::Text},
        {"Text1", QPalette::Base, QPalette::Text},
        {"Text2", QPalette::Base, QPalette::Text},
    };
    const QPalette theme = darkPalette();
    for (const Fixed& f : fixed) {
        SCOPED_TRACE(f.control);
        const QPalette shown = find(f.control)->palette();
        const QColor back = shown.color(QPalette::Active, f.back);
        const QColor text = shown.color(QPalette::Active, f.text);
        EXPECT_NE(back, theme.color(f.back));
        EXPECT_NE(text, theme.color(f.text));
        EXPECT_GE(contrast(back, text), 4.5);
    }
    // Fixed, but still greyed while disabled.
    const QPalette saveTo = find("Check1")->palette();
    EXPECT_NE(saveTo.color(QPalette::Disabled, QPalette::WindowText),
              saveTo.color(QPalette::Active, QPalette::WindowText));
    // The rest follows the theme.
    EXPECT_EQ(find("Text3")->palette().color(QPalette::Base), theme.color(QPalette::Base));

    for (const char* name : {"Text1", "Text2", "Check1"}) {
        SCOPED_TRACE(name);
        const QPalette shown = find(name)->palette();
        const QColor background =
            shown.color(std::string(name) == "Check1" ? QPalette::Window : QPalette::Base);
        EXPECT_GE(focusContrast(name, background), 3.0) << name;
    }
}

}  // namespace
}  // namespace roruvez

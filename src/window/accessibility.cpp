// What a screen reader finds in the window: a name and a description for every control, the
// label that names the piece size box, the lamp's colour in words and the outcome of each job.
// The visible texts are not changed.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <mutex>

#include "window/drop_targets.h"
#include "window/form1.h"
#include "window/palette.h"

namespace roruvez {

namespace {

// Qt 6.4's AT-SPI bridge drops alerts but forwards a notification that appears, which a screen
// reader hears of wherever the focus is.
class OutcomeNotice : public QWidget {
    using QWidget::QWidget;
};

QAccessibleInterface* outcomeNoticeInterface(const QString&, QObject* object) {
    if (auto* notice = dynamic_cast<OutcomeNotice*>(object)) {
        return new QAccessibleWidget(notice, QAccessible::Notification);
    }
    return nullptr;
}

void describe(QWidget* widget, const QString& name, const char* description) {
    if (!name.isEmpty()) {
        widget->setAccessibleName(name);
    }
    widget->setAccessibleDescription(QString::fromLatin1(description));
}

}  // namespace

void Form1::describeControls() {
    describe(command3_, command3_->text().trimmed(),
             "Join: restores the file whose first piece breldo.1 is chosen, from its pieces");
    describe(command1_, command1_->text(),
             "Split: cuts the chosen file into pieces of the size in File size");
    describe(command2_, command2_->text(), "Clears the status, the details and the log");
    describe(command5_, command5_->text(),
             "Opens a dialog to choose the file to split, or the first piece breldo.1 to join");
    describe(check1_, check1_->text(),
             "When ticked, the output goes to the drive chosen in the drive list");
    describe(drive1_, QStringLiteral("Output drive"),
             "The drive the output goes to while SaveTo: is ticked");
    describe(text1_, QStringLiteral("Chosen file"),
             "Full path of the chosen file; a file dropped here is chosen");
    describe(text2_, label2_->text(),
             "Size of each piece in bytes; a K, M or G after the number is understood");
    describe(text3_, QStringLiteral("Log"), "The files each job wrote, and the end of each job");
    describe(shape1_, QStringLiteral("Drop area"), "A file dropped here is chosen");
    // The labels that show values keep their text as their name, so a change is read out.
    describe(label2_, {}, "Names the piece size box");
    describe(label5_, {}, "Size of the chosen file, or the size its header records");
    describe(label7_, {}, "Sizes and piece count of the last job");
    describe(label8_, {}, "Date and time recorded in the header of the last job");
    describe(label9_, {}, "Status of the job: the current step, then its outcome");
    // A fixed name keeps the clock's ticks out of what a screen reader announces.
    describe(label10_, QStringLiteral("Clock"), "Today's date and the time");
    describe(label3_, QStringLiteral("Result lamp"), "");
    label2_->setBuddy(text2_);
    // On Linux a drop-down list is named by its label and shows its value as its name; the list
    // has no visible label, so it gets one that only assistive technologies see.
    auto* driveLabel = new QLabel(QStringLiteral("Output drive"), client_);
    driveLabel->setObjectName(QStringLiteral("Drive1Label"));
    driveLabel->setBuddy(drive1_);
    driveLabel->hide();
    fileMenu_->setAccessibleName(QStringLiteral("File"));
    fileMenu_->setAccessibleDescription(
        QStringLiteral("Checksums for the next splits, help and the end of the program"));
    static std::once_flag noticeKnown;
    std::call_once(noticeKnown, [] { QAccessible::installFactory(outcomeNoticeInterface); });
    outcomeNotice_ = new OutcomeNotice(client_);
    outcomeNotice_->setObjectName(QStringLiteral("OutcomeNotice"));
    outcomeNotice_->setGeometry(0, 0, 0, 0);
    outcomeNotice_->hide();
    describe(outcomeNotice_, {}, "How the last job ended");
    describeLamp(false);
}

void Form1::describeLamp(bool running) {
    QString state;
    if (running) {
        state = QStringLiteral("job running");
    } else if (label3_->palette().color(QPalette::Window) != paletteColour(kLightGreen)) {
        state = QStringLiteral("failed");
    } else {
        state = jobEnded_ ? QStringLiteral("done") : QStringLiteral("ready");
    }
    if (label3_->accessibleDescription() != state) {
        label3_->setAccessibleDescription(state);
    }
}

void Form1::announceOutcome(bool ended) {
    // Hidden while a job runs, so that every end appears anew.
    if (ended) {
        outcomeNotice_->setAccessibleName(label9_->text());
    }
    outcomeNotice_->setVisible(ended);
}

}  // namespace roruvez

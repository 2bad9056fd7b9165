// What the window does outside file selection: start-up, the three commands, "SaveTo:", the
// help box, the end of the program and the clock.
#include "window/commands.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <exception>

#include "format/piece_format.h"
#include "join/join_driver.h"
#include "split/split_driver.h"
#include "text/text.h"
#include "window/form1.h"

namespace roruvez {

std::string clockText(Clock& clock) {
    const LocalTime now = clock.now();
    return clock.weekdayName(now.weekday) + ", " + clock.monthAbbreviation(now.month) + " " +
           std::to_string(now.day) + " " + std::to_string(now.year) + " " +
           zeroPadded(now.hour, 2) + ":" + zeroPadded(now.minute, 2) + ":" +
           zeroPadded(now.second, 2);
}

std::string helpText() {
    static const char* const kLines[] = {
        "To split a file select it using the Browse button, select the size and click BRELDO",
        "To reassemble the file select breldo.1 with the Browse button and click BRELDO -R ",
        "(Roruvez uses 8.3 File Name Notation)",
        "Comments are welcome: roruvez@velmora.example",
        "",
        "Drag and drop the file on the blue area to avoid the use of the Browse Button.",
        "March 2000. Have a fun!",
    };
    std::string text;
    for (std::size_t i = 0; i < std::size(kLines); ++i) {
        text += (i == 0 ? "" : "\r\n");
        text += kLines[i];
    }
    return text;
}

void Form1::Form_Load() {
    surface_.setText(Control::Text2, kDefaultPieceSizeText);
    timer1_->setInterval(1000);
    timer1_->start();
}

void Form1::runJob(const std::function<void()>& job) {
    if (jobRunning_ || unloaded_) {
        return;
    }
    // A job's own event pumping must not start a second job or change the choice under it.
    jobRunning_ = true;
    surface_.hold({Control::Command1, Control::Command3, Control::Command2, Control::Command5,
                   Control::Check1, Control::Drive1});
    about_->setEnabled(false);
    launcher_.start();
    describeLamp(true);
    announceOutcome(false);
    const qint64 startedAt = steadyMilliseconds();
    try {
        job();
    } catch (const std::exception& failure) {
        showFailure(context_, failure);
        endJob(context_, JobOutcome::NotCompleted);
    }
    launcher_.finish();
    about_->setEnabled(true);
    surface_.release();
    jobRunning_ = false;
    jobEnded_ = true;
    describeLamp(false);
    announceOutcome(true);
    notifyIfUnseen(startedAt);
}

void Form1::notifyIfUnseen(qint64 startedAt) {
    if (steadyMilliseconds() - startedAt <= kNotifyAfter || windowActive()) {
        return;
    }
    const QString status = label9_->text();
    const bool done = state_.Outcome == JobOutcome::Done;
    const QString file = QFileInfo(fromText(state_.FilePath)).fileName();
    notification_.send(done ? QStringLiteral("Roruvez: %1 done").arg(file)
                            : QStringLiteral("Roruvez: %1 not completed").arg(file),
                       status.isEmpty() ? fromText(state_.FilePath) : status);
}

void Form1::Command1_Click() {
    runJob([this] {
        setCursor(Qt::WaitCursor);
        struct RestorePointer {
            QWidget& window;
            ~RestorePointer() { window.unsetCursor(); }
        } restore{*this};
        SplitFile(state_.FilePath, context_,
                  JobRequest{.checksums = checksums_->isChecked(),
                             .recovery = recovery_->checkedAction()->data().toInt()});
    });
}

void Form1::Command3_Click() {
    runJob([this] {
        const std::string path = state_.FilePath;
        JoinFiles(path, context_);
    });
}

void Form1::Command2_Click() {
    if (!jobRunning_) {
        ClearForm();
    }
}

void Form1::ClearForm() {
    for (const Control control :
         {Control::Command1, Control::Command3, Control::Check1, Control::Drive1}) {
        surface_.setEnabled(control, false);
    }
    surface_.setText(Control::Text1, "");
    surface_.setText(Control::Text3, "");
    for (const Control label :
         {Control::Label5, Control::Label7, Control::Label8, Control::Label9}) {
        surface_.setCaption(label, "");
    }
    surface_.setLamp(kLightGreen);
    surface_.setEnabled(Control::Check1, true);
    check1_->setCheckState(Qt::Unchecked);
    jobEnded_ = false;
    describeLamp(false);
}

void Form1::Check1_Click() {
    surface_.setEnabled(Control::Drive1, surface_.checkValue(Control::Check1) == 1);
}

void Form1::About_Click() {
    if (!jobRunning_) {
        surface_.messageBox(helpText(), Buttons::Ok, kHelpTitle);
    }
}

void Form1::Exit_Click() {
    close();
}

void Form1::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    timer1_->stop();
    // A join cut short must not leave its unfinished copy behind.
    state_.closeAllFiles();
    launcher_.finish();
    endProgram();
}

void Form1::Timer1_Timer() {
    surface_.setCaption(Control::Label10, clockText(platform_.clock));
}

}  // namespace roruvez

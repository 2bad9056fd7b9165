#include "window/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>

#include "window/file_chooser.h"
#include "window/window_icon.h"

namespace roruvez {

Form1::Form1(Platform platform, QWidget* parent)
    : QMainWindow(parent),
      surface_(*this),
      platform_(platform),
      context_{state_, surface_, platform_},
      launcher_(QDBusConnection::sessionBus(), QStringLiteral(RORUVEZ_APP_ID)),
      notification_(QDBusConnection::sessionBus(), QStringLiteral(RORUVEZ_APP_ID)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("BRELDO  Velmora VER: 160-A.03-2000"));
    setWindowIcon(makeWindowIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    surface_.onProgress = [this](const JobProgress& done) {
        if (done.jobTotal > 0) {
            launcher_.update(static_cast<double>(done.jobBytes) /
                             static_cast<double>(done.jobTotal));
        }
    };
    runFileDialog = [](FileChooser& dialog) { return dialog.exec() == QDialog::Accepted; };
    steadyMilliseconds = [] {
        static QElapsedTimer started = [] {
            QElapsedTimer timer;
            timer.start();
            return timer;
        }();
        return started.elapsed();
    };
    windowActive = [this] { return isActiveWindow(); };
    endProgram = [this] {
        // A job is still on the stack: leaving through the event loop would let it go on
        // writing, so end at once. Its files were closed when the window unloaded.
        if (jobRunning_) {
            std::quick_exit(0);
        }
        QCoreApplication::quit();
    };

    createControls();
    createMenu();
    createTimer();
    createTabOrder();
    describeControls();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    Form_Load();
}

Form1::~Form1() = default;

void Form1::closeEvent(QCloseEvent* event) {
    // At rest closing asks nothing; a job is stopped only when the user says so, and a second
    // request while the question is open waits for its answer.
    if (jobRunning_ && !unloaded_ && (askingToClose_ || !stopJobToClose())) {
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
}

bool Form1::stopJobToClose() {
    askingToClose_ = true;
    QMessageBox box(this);
    prepareMessageBox(box,
                      "A split or join is under way. Stop it and close the window, or let it "
                      "go on?",
                      Buttons::OkCancel, {});
    box.button(QMessageBox::Ok)->setText(QStringLiteral("Stop and close"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Go on"));
    // Enter must not stop a job by accident.
    box.setDefaultButton(QMessageBox::Cancel);
    surface_.runMessageBox(box);
    askingToClose_ = false;
    return box.clickedButton() == box.button(QMessageBox::Ok);
}

}  // namespace roruvez

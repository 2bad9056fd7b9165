// Splits FILE through the real window: "Browse" opens its file dialog, which this program answers
// as a user would (the file name typed, then Open), and "BRELDO" cuts the file. Prints the seconds
// the split took. Run offscreen by bench/window_bench.sh.
//   window_split FILE
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "platform/platform.h"
#include "window/file_chooser.h"
#include "window/form1.h"
#include "window/name_text.h"

namespace {

// The dialog runs its own event loop; answer it from there once it is up, as a user does: the
// whole name typed into its name box, then Open. A box the dialog raises in between (it should
// raise none) is closed and the dialog answered again; a name it cannot open ends the dialog.
void answerDialog(const QString& file) {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        std::fprintf(stderr, "the dialog said: %s\n", qPrintable(box->text()));
        box->accept();
        return;
    }
    auto* dialog = dynamic_cast<roruvez::FileChooser*>(modal);
    auto* name =
        dialog == nullptr ? nullptr : dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name == nullptr || !dialog->isVisible()) {
        return;
    }
    name->setText(file);
    dialog->findChild<QAbstractButton*>(QStringLiteral("openButton"))->click();
    if (dialog->isVisible()) {
        std::fprintf(stderr, "the dialog said: %s\n",
                     qPrintable(dialog->findChild<QLabel*>(QStringLiteral("problem"))->text()));
        dialog->reject();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_split FILE\n");
        return 2;
    }
    // Any name a directory holds, as the bytes it came as.
    const QString file = roruvez::fromText(argv[1]);

    roruvez::LinuxPlatform machine;
    roruvez::Form1 window(machine.platform());
    window.show();

    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] { answerDialog(file); });

    int status = 0;
    QTimer::singleShot(0, &window, [&] {
        answer.start();
        window.findChild<QAbstractButton*>(QStringLiteral("Command5"))->click();
        answer.stop();
        QElapsedTimer clock;
        clock.start();
        window.findChild<QAbstractButton*>(QStringLiteral("Command1"))->click();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        const QString caption = window.findChild<QLabel*>(QStringLiteral("Label9"))->text();
        if (caption != QStringLiteral("Done!")) {
            std::fprintf(stderr, "the split ended \"%s\"\n", qPrintable(caption));
            status = 1;
        }
        std::printf("%.3f\n", seconds);
        QApplication::quit();
    });
    QApplication::exec();
    return status;
}

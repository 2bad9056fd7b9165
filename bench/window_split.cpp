// Splits one file through the real window, on whatever Qt platform it is given (offscreen for the
// benchmark): the file is chosen in the open-file dialog as "Browse" chooses it, then "BRELDO"
// is pressed. Prints the seconds from the press to "Done!".
//
//   window_split FILE [PIECE_SIZE]
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "platform/platform.h"
#include "window/form1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: window_split FILE [PIECE_SIZE]\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);

    roruvez::LinuxPlatform machine;
    roruvez::Form1 window(machine.platform());
    // The dialog runs as a user meets it: shown, reading the file's directory, then accepted.
    window.runFileDialog = [&](QFileDialog& dialog) {
        QTimer::singleShot(500, &dialog, [&] {
            dialog.selectFile(file);
            // As the dialog's Open button does; QFileDialog hides accept() itself.
            static_cast<QDialog&>(dialog).accept();
        });
        return dialog.exec() == QDialog::Accepted;
    };
    bool boxShown = false;
    window.surface().runMessageBox = [&](QMessageBox& box) {
        std::fprintf(stderr, "window_split: box: %s\n", box.text().toLocal8Bit().constData());
        boxShown = true;
    };
    window.show();

    int status = 0;
    QTimer::singleShot(100, &window, [&] {
        window.findChild<QAbstractButton*>(QStringLiteral("Command5"))->click();
        if (argc == 3) {
            window.findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(argv[2]);
        }
        const auto start = std::chrono::steady_clock::now();
        window.findChild<QAbstractButton*>(QStringLiteral("Command1"))->click();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        const QString caption = window.findChild<QLabel*>(QStringLiteral("Label9"))->text();
        if (caption != QStringLiteral("Done!") || boxShown) {
            std::fprintf(stderr, "window_split: the split ended with \"%s\"\n",
                         caption.toLocal8Bit().constData());
            status = 1;
        }
        std::printf("%.3f\n", took.count());
        QApplication::quit();
    });
    QApplication::exec();
    return status;
}

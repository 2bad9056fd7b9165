// Shows a finished split in the real window and saves a picture of it:
//   xvfb-run -a window_screenshot docs/window.png
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/platform.h"
#include "window/file_chooser.h"
#include "window/form1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: window_screenshot OUTPUT.png\n";
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);

    std::string directory = (std::filesystem::temp_directory_path() / "data.XXXXXX").string();
    if (::mkdtemp(directory.data()) == nullptr) {
        std::cerr << "cannot make a directory to split in\n";
        return 1;
    }
    const std::string source = directory + "/REPORT.DOC";
    {
        std::ofstream out(source, std::ios::binary);
        for (int i = 0; i < 3500000; ++i) {
            out.put(static_cast<char>(i * 31 % 251));
        }
    }

    roruvez::LinuxPlatform machine;
    roruvez::Form1 window(machine.platform());
    window.runFileDialog = [&](roruvez::FileChooser& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QString::fromStdString(source));
        dialog.accept();
        return dialog.result() == QDialog::Accepted;
    };
    window.show();

    int status = 0;
    QTimer::singleShot(200, &window, [&] {
        window.findChild<QAbstractButton*>(QStringLiteral("Command5"))->click();
        window.findChild<QAbstractButton*>(QStringLiteral("Command1"))->click();
    });
    // Late enough for the clock to have ticked.
    QTimer::singleShot(1800, &window, [&] {
        if (!window.grab().save(output)) {
            std::cerr << "cannot save " << output.toStdString() << "\n";
            status = 1;
        }
        QApplication::quit();
    });
    QApplication::exec();
    std::filesystem::remove_all(directory);
    return status;
}

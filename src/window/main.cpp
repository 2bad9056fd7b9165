#include <QApplication>

#include "platform/platform.h"
#include "window/form1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The window class and the Wayland app id by which the desktop finds the menu entry.
    QApplication::setApplicationName(QStringLiteral("roruvez"));
    QGuiApplication::setDesktopFileName(QStringLiteral(RORUVEZ_APP_ID));
    roruvez::LinuxPlatform machine;
    roruvez::Form1 window(machine.platform());
    window.show();
    return QApplication::exec();
}

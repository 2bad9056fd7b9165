#include <QApplication>

#include "platform/platform.h"
#include "window/form1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    roruvez::LinuxPlatform machine;
    roruvez::Form1 window(machine.platform());
    window.show();
    return QApplication::exec();
}

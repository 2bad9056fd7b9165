#include <QApplication>
#include <cstdio>

#include "platform/platform.h"
#include "window/command_line.h"
#include "window/form1.h"

namespace {

int answerOnTerminal(const roruvez::WindowArguments& arguments) {
    if (arguments.kind == roruvez::WindowArguments::Kind::Version) {
        std::fputs("roruvez " RORUVEZ_VERSION "\n", stdout);
        return 0;
    }
    if (arguments.kind == roruvez::WindowArguments::Kind::Usage) {
        std::fprintf(stderr, "roruvez: %s\nTry 'roruvez --help'.\n",
                     arguments.problem.toLocal8Bit().constData());
        return 2;
    }
    std::fputs(roruvez::kWindowUsage, stdout);
    return 0;
}

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work without a display.
    if (roruvez::asksForHelpOrVersion(argc, argv)) {
        return answerOnTerminal(roruvez::parseWindowArguments(argumentsOf(argc, argv)));
    }
    QApplication application(argc, argv);
    const roruvez::WindowArguments arguments =
        roruvez::parseWindowArguments(QApplication::arguments().mid(1));
    if (arguments.kind != roruvez::WindowArguments::Kind::Run) {
        return answerOnTerminal(arguments);
    }
    // The window class and the Wayland app id by which the desktop finds the menu entry.
    QApplication::setApplicationName(QStringLiteral("roruvez"));
    QGuiApplication::setDesktopFileName(QStringLiteral(RORUVEZ_APP_ID));
    roruvez::LinuxPlatform machine;
    roruvez::Form1 window(machine.platform());
    window.show();
    if (!arguments.file.isEmpty()) {
        window.openFile(arguments.file);
    }
    return QApplication::exec();
}

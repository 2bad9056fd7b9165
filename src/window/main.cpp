#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

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
        std::fprintf(stderr, "roruvez: %s\nTry 'roruvez --help'.\n", arguments.problem.c_str());
        return 2;
    }
    std::fputs(roruvez::kWindowUsage, stdout);
    return 0;
}

// The bytes as given: a file's name need not be text in any encoding.
std::vector<std::string> argumentsOf(int argc, char** argv) {
    return argc < 2 ? std::vector<std::string>() : std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work without a display.
    if (roruvez::asksForHelpOrVersion(argc, argv)) {
        return answerOnTerminal(roruvez::parseWindowArguments(argumentsOf(argc, argv)));
    }
    // Qt takes its own options out of argc and argv.
    QApplication application(argc, argv);
    const roruvez::WindowArguments arguments =
        roruvez::parseWindowArguments(argumentsOf(argc, argv));
    if (arguments.kind != roruvez::WindowArguments::Kind::Run) {
        return answerOnTerminal(arguments);
    }
    // The window class and the Wayland app id by which the desktop finds the menu entry.
    QApplication::setApplicationName(QStringLiteral("roruvez"));
    QGuiApplication::setDesktopFileName(QStringLiteral(RORUVEZ_APP_ID));
    roruvez::LinuxPlatform machine;
    roruvez::Form1 window(machine.platform());
    window.show();
    if (!arguments.file.empty()) {
        // A file that cannot be chosen is said where the program was started from, and the
        // window opens as it does without one.
        if (const std::string why = roruvez::unusableFileReason(arguments.file); !why.empty()) {
            std::fprintf(stderr, "roruvez: %s: %s\n", arguments.file.c_str(), why.c_str());
        } else {
            window.openFile(arguments.file);
        }
    }
    return QApplication::exec();
}

#include "window/command_line.h"

#include <QDir>
#include <QUrl>
#include <cstring>

namespace roruvez {

const char* const kWindowUsage =
    "usage: roruvez [FILE]\n"
    "Shows the window that splits a file into pieces breldo.1, breldo.2, ... and joins them\n"
    "back. FILE, when given, is chosen as if it had been dropped on the window.\n"
    "\n"
    "  -h, --help  show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "roruvez-cli does the same from scripts; see roruvez(1) and roruvez-cli(1).\n";

WindowArguments parseWindowArguments(const QStringList& arguments) {
    WindowArguments parsed;
    bool optionsEnd = false;
    QStringList files;
    for (const QString& argument : arguments) {
        if (!optionsEnd && argument == QStringLiteral("--")) {
            optionsEnd = true;
        } else if (!optionsEnd &&
                   (argument == QStringLiteral("--help") || argument == QStringLiteral("-h"))) {
            return {WindowArguments::Kind::Help, {}, {}};
        } else if (!optionsEnd && argument == QStringLiteral("--version")) {
            return {WindowArguments::Kind::Version, {}, {}};
        } else if (!optionsEnd && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            return {WindowArguments::Kind::Usage,
                    {},
                    QStringLiteral("unknown option '%1'").arg(argument)};
        } else {
            files << argument;
        }
    }
    if (files.size() > 1) {
        return {WindowArguments::Kind::Usage,
                {},
                QStringLiteral("one file at most, %1 given").arg(files.size())};
    }
    if (!files.isEmpty()) {
        // A file manager may hand over an address instead of a path.
        const QUrl url(files.first());
        const QString path = url.isLocalFile() ? url.toLocalFile() : files.first();
        // A drop always carries a full path.
        parsed.file = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    }
    return parsed;
}

bool asksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            return false;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0 ||
            std::strcmp(argv[i], "--version") == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace roruvez

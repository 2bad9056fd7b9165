#include "console/console_options.h"

#include "platform/paths.h"

namespace roruvez {

const char* const kUsage =
    "usage: roruvez-cli split FILE [--size TEXT] [--save-to X:] [--drive X:=DIR]... [--yes]\n"
    "                   [--trace FILE]\n"
    "       roruvez-cli join FILE [--save-to X:] [--drive X:=DIR]... [--yes] [--trace FILE]\n"
    "       roruvez-cli --help | --version\n"
    "\n"
    "  split FILE       cut FILE into breldo.1, breldo.2, ... next to it or on the drive\n"
    "  join FILE        join the piece set whose first piece is FILE (a name ending in\n"
    "                   breldo.1) back into the file it came from\n"
    "  --size TEXT      piece size in bytes, read as the window reads its box (1400000)\n"
    "  --save-to X:     write to drive X: instead of the file's own directory; a join then\n"
    "                   reads the pieces from X: too (breldo.1, breldo.2, ...), and only\n"
    "                   if that breldo.1 begins with FILE's header\n"
    "  --drive X:=DIR   drive X: is the directory DIR for this run (a: and b: are floppy\n"
    "                   drives, with their disk prompts); an empty DIR is a drive with no disk\n"
    "  --yes            answer OK to every message box\n"
    "  --trace FILE     write every operation on the status surface to FILE, a new file, as\n"
    "                   JSON lines\n"
    "\n"
    "Message boxes are answered on standard input: ok or cancel (an empty line is ok); the\n"
    "end of the input, or three answers that are neither, answer cancel. Exit status: 0 done,\n"
    "1 not completed, 2 usage error, 3 joined, but the pieces' total differs from the size in\n"
    "the header, 130 interrupted (Ctrl-C, at a message box too, ends the job at its next step\n"
    "and removes an unfinished join).\n";

namespace {

char lowerLetter(char c) {
    if (c >= 'A' && c <= 'Z') {
        return static_cast<char>(c - 'A' + 'a');
    }
    return c;
}

bool isLetter(char c) {
    const char lower = lowerLetter(c);
    return lower >= 'a' && lower <= 'z';
}

char driveLetter(const std::string& text, const std::string& option) {
    if (text.size() != 2 || !isLetter(text[0]) || text[1] != ':') {
        throw UsageError(option + " wants a drive letter and a colon, not \"" + text + "\"");
    }
    return lowerLetter(text[0]);
}

DriveBinding driveBinding(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        throw UsageError("--drive wants X:=DIR, not \"" + text + "\"");
    }
    DriveBinding binding;
    binding.letter = driveLetter(text.substr(0, equals), "--drive");
    const std::string directory = text.substr(equals + 1);
    binding.directory = directory.empty() ? std::string{} : absolutePath(directory);
    return binding;
}

}  // namespace

std::string absolutePath(const std::string& path) {
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        const std::string directory = workingDirectory();
        if (directory.empty()) {
            throw UsageError("the working directory cannot be read");
        }
        full = directory + "/" + path;
    }
    std::string out;
    std::size_t start = 0;
    while (start <= full.size()) {
        std::size_t end = full.find('/', start);
        if (end == std::string::npos) {
            end = full.size();
        }
        const std::string segment = full.substr(start, end - start);
        if (!segment.empty() && segment != ".") {
            out += "/" + segment;
        }
        start = end + 1;
    }
    return out.empty() ? "/" : out;
}

ConsoleOptions parseArguments(const std::vector<std::string>& args) {
    ConsoleOptions options;
    if (args.empty()) {
        throw UsageError("no command given");
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        if (args.size() > 1) {
            throw UsageError("--help takes no arguments");
        }
        options.command = ConsoleOptions::Command::Help;
        return options;
    }
    if (command == "--version") {
        if (args.size() > 1) {
            throw UsageError("--version takes no arguments");
        }
        options.command = ConsoleOptions::Command::Version;
        return options;
    }
    if (command == "split") {
        options.command = ConsoleOptions::Command::Split;
    } else if (command == "join") {
        options.command = ConsoleOptions::Command::Join;
    } else {
        throw UsageError("unknown command \"" + command + "\"");
    }

    bool haveFile = false;
    bool optionsEnded = false;
    bool traceGiven = false;
    bool saveToGiven = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (haveFile) {
                throw UsageError("more than one FILE given: \"" + arg + "\"");
            }
            options.file = arg;
            haveFile = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--yes") {
            options.yes = true;
            continue;
        }
        // --name VALUE or --name=VALUE; the value may begin with a minus sign.
        std::string value;
        const std::size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
        } else if (arg == "--size" || arg == "--save-to" || arg == "--drive" || arg == "--trace") {
            if (i + 1 >= args.size()) {
                throw UsageError(arg + " wants a value");
            }
            value = args[++i];
        }
        if (arg == "--size") {
            if (options.command != ConsoleOptions::Command::Split) {
                throw UsageError("--size belongs to split only");
            }
            options.sizeText = value;
            options.sizeGiven = true;
        } else if (arg == "--save-to") {
            if (saveToGiven) {
                throw UsageError("--save-to given twice");
            }
            options.saveTo = driveLetter(value, "--save-to");
            saveToGiven = true;
        } else if (arg == "--drive") {
            const DriveBinding binding = driveBinding(value);
            for (const auto& earlier : options.drives) {
                if (earlier.letter == binding.letter) {
                    throw UsageError(std::string("drive ") + binding.letter + ": bound twice");
                }
            }
            options.drives.push_back(binding);
        } else if (arg == "--trace") {
            if (traceGiven || value.empty()) {
                throw UsageError(traceGiven ? "--trace given twice" : "--trace wants a file");
            }
            options.tracePath = value;
            traceGiven = true;
        } else {
            throw UsageError("unknown option \"" + args[i] + "\"");
        }
    }
    if (!haveFile || options.file.empty()) {
        throw UsageError(command + " wants a FILE");
    }
    return options;
}

}  // namespace roruvez

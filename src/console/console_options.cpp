#include "console/console_options.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "format/piece_format.h"
#include "platform/drive_table.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "text/byte_count.h"
#include "text/text.h"

namespace roruvez {

std::string usageText() {
    return "usage: roruvez-cli split FILE [--size SIZE | --size-box TEXT] [--save-to X:]\n"
           "                   [--checksums] [--recovery N] [--drive X:=DIR]... [--yes]\n"
           "                   [--trace FILE]\n"
           "       roruvez-cli join FILE [--into DIR] [--save-to X:] [--drive X:=DIR]... [--yes]\n"
           "                   [--trace FILE]\n"
           "       roruvez-cli --help | --version\n"
           "\n"
           "  split FILE       cut FILE into breldo.1, breldo.2, ... next to it or on the drive;\n"
           "                   FILE may hold up to " +
           std::to_string(kMaxSourceLength) + " bytes, in at most " + std::to_string(kMaxPieces) +
           " pieces\n"
           "  join FILE        join the piece set whose first piece is FILE (a name ending in\n"
           "                   breldo.1) back into the file it came from\n"
           "  --size SIZE      piece size in bytes (" +
           std::string(kDefaultPieceSizeText) + "), more than " + std::to_string(kHeaderLength) +
           " and less than 2 GiB;\n"
           "                   SIZE may end in K, M, G (powers of 1024, also KiB, MiB, GiB) or "
           "KB,\n"
           "                   MB, GB (powers of 1000)\n"
           "  --size-box TEXT  put TEXT into the piece size box as typed, read as the window reads "
           "it\n"
           "  --checksums      also write breldo.sha256, the SHA-256 of every piece and of FILE\n"
           "                   for sha256sum -c (on every floppy disk, and each piece read back\n"
           "                   from a removable disk); a join checks every piece against it\n"
           "  --recovery N     also write recovery data that rebuilds any N lost or damaged\n"
           "                   pieces: breldo.par2 and breldo.vol*.par2 beside the pieces, a\n"
           "                   PAR2 set that par2 verify and par2 repair read\n"
           "  --save-to X:     write to drive X: instead of the file's own directory; a join then\n"
           "                   reads the pieces from X: too (breldo.1, breldo.2, ...), and only\n"
           "                   if that breldo.1 begins with FILE's header\n"
           "  --into DIR       where a join from floppy disks restores the file (a folder on\n"
           "                   another drive); such a join asks for each next disk\n"
           "  --drive X:=DIR   drive X: is the directory DIR for this run (a: and b: are floppy\n"
           "                   drives, with their disk prompts); an empty DIR is a drive with no "
           "disk\n"
           "  --yes            answer OK to every message box\n"
           "  --trace FILE     write every operation on the status surface to FILE, a new file, "
           "as\n"
           "                   JSON lines\n"
           "\n"
           "Message boxes are answered on standard input: ok or cancel (an empty line is ok); the\n"
           "end of the input, or three answers that are neither, answer cancel. Exit status: 0 "
           "done,\n"
           "1 not completed (or FILE cannot be used), 2 usage error, 3 joined, but the pieces' "
           "total\n"
           "differs from the size in the header, 130 interrupted (Ctrl-C, at a message box too, "
           "ends\n"
           "the job at its next step and removes an unfinished join).\n";
}

const char* const kTryHelp = "Try 'roruvez-cli --help' for more information.";

namespace {

char driveLetter(const std::string& text, const std::string& option) {
    const auto letter = driveLetterOf(text);
    if (text.size() != 2 || !letter) {
        throw UsageError(option + " wants a drive letter and a colon, not \"" + text + "\"");
    }
    return *letter;
}

DriveBinding driveBinding(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        throw UsageError("--drive wants X:=DIR, not \"" + text + "\"");
    }
    DriveBinding binding;
    binding.letter = driveLetter(text.substr(0, equals), "--drive");
    const std::string directory = text.substr(equals + 1);
    binding.directory = directory.empty() ? std::string{} : absoluteOrRefused(directory);
    return binding;
}

// What the parse has seen so far, beyond the options themselves.
struct Parse {
    ConsoleOptions options;
    std::string command;
    bool haveFile = false;
    bool optionsEnded = false;
    bool saveToGiven = false;
    bool traceGiven = false;
    bool sizeBoxGiven = false;
};

void takeSize(Parse& parse, const std::string& value) {
    if (parse.sizeBoxGiven) {
        throw UsageError("--size and --size-box cannot be given together");
    }
    const auto bytes = readByteCount(value);
    if (!bytes) {
        throw UsageError("invalid piece size: '" + value + "'");
    }
    if (!isPieceSize(*bytes)) {
        throw UsageError("piece size out of range: '" + value + "' (more than " +
                         std::to_string(kHeaderLength) + " bytes and at most " +
                         std::to_string(kLargestPieceSize) + ")");
    }
    parse.options.sizeText = std::to_string(*bytes);
    parse.options.sizeGiven = true;
}

void takeSizeBox(Parse& parse, const std::string& value) {
    if (parse.options.sizeGiven) {
        throw UsageError("--size and --size-box cannot be given together");
    }
    parse.options.sizeText = value;
    parse.sizeBoxGiven = true;
}

void takeSaveTo(Parse& parse, const std::string& value) {
    if (parse.saveToGiven) {
        throw UsageError("--save-to given twice");
    }
    parse.options.saveTo = driveLetter(value, "--save-to");
    parse.saveToGiven = true;
}

void takeDrive(Parse& parse, const std::string& value) {
    const DriveBinding binding = driveBinding(value);
    for (const auto& earlier : parse.options.drives) {
        if (earlier.letter == binding.letter) {
            throw UsageError(std::string("drive ") + binding.letter + ": bound twice");
        }
    }
    parse.options.drives.push_back(binding);
}

void takeTrace(Parse& parse, const std::string& value) {
    if (parse.traceGiven || value.empty()) {
        throw UsageError(parse.traceGiven ? "--trace given twice" : "--trace wants a file");
    }
    parse.options.tracePath = value;
    parse.traceGiven = true;
}

void takeInto(Parse& parse, const std::string& value) {
    if (!parse.options.into.empty() || value.empty()) {
        throw UsageError(value.empty() ? "--into wants a folder" : "--into given twice");
    }
    parse.options.into = value;
}

void takeYes(Parse& parse, const std::string& /*value*/) {
    parse.options.yes = true;
}

void takeChecksums(Parse& parse, const std::string& /*value*/) {
    parse.options.checksums = true;
}

void takeRecovery(Parse& parse, const std::string& value) {
    const bool digits =
        !value.empty() && value.size() <= 5 &&
        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int pieces = digits ? std::stoi(value) : 0;
    if (pieces < 1 || pieces > kMaxPieces) {
        throw UsageError("--recovery wants a number of pieces from 1 to " +
                         std::to_string(kMaxPieces) + ": '" + value + "'");
    }
    parse.options.recovery = pieces;
}

struct OptionRule {
    std::string_view name;
    bool takesValue;
    // Split only, join only, or both.
    std::optional<ConsoleOptions::Command> only;
    void (*take)(Parse&, const std::string&);
};

constexpr auto kSplit = ConsoleOptions::Command::Split;
constexpr auto kJoin = ConsoleOptions::Command::Join;
const std::array<OptionRule, 9> kOptionRules = {{
    {"--size", true, kSplit, takeSize},
    {"--size-box", true, kSplit, takeSizeBox},
    {"--save-to", true, std::nullopt, takeSaveTo},
    {"--into", true, kJoin, takeInto},
    {"--drive", true, std::nullopt, takeDrive},
    {"--trace", true, std::nullopt, takeTrace},
    {"--yes", false, std::nullopt, takeYes},
    {"--checksums", false, kSplit, takeChecksums},
    {"--recovery", true, kSplit, takeRecovery},
}};

std::optional<ConsoleOptions::Command> commandAlone(const std::string& command) {
    if (command == "--help" || command == "-h") {
        return ConsoleOptions::Command::Help;
    }
    if (command == "--version") {
        return ConsoleOptions::Command::Version;
    }
    return std::nullopt;
}

void takeFile(Parse& parse, const std::string& arg) {
    if (parse.haveFile) {
        throw UsageError("more than one FILE given: '" + arg + "'");
    }
    parse.options.file = arg;
    parse.haveFile = true;
}

// --name VALUE or --name=VALUE; the value may begin with a minus sign. Returns the index of the
// last argument used.
std::size_t takeOption(Parse& parse, const std::vector<std::string>& args, std::size_t i) {
    const std::string& arg = args[i];
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto rule = std::find_if(kOptionRules.begin(), kOptionRules.end(),
                                   [&](const OptionRule& r) { return r.name == name; });
    if (rule == kOptionRules.end()) {
        throw UsageError("unrecognized option '" + arg + "'");
    }
    if (rule->only && parse.options.command != *rule->only) {
        throw UsageError(name + " belongs to " + (*rule->only == kSplit ? "split" : "join") +
                         " only");
    }
    std::string value;
    if (equals != std::string::npos) {
        if (!rule->takesValue) {
            throw UsageError("option '" + name + "' doesn't allow an argument");
        }
        value = arg.substr(equals + 1);
    } else if (rule->takesValue) {
        if (i + 1 >= args.size()) {
            throw UsageError("option '" + name + "' requires an argument");
        }
        value = args[++i];
    }
    rule->take(parse, value);
    return i;
}

}  // namespace

std::string absoluteOrRefused(const std::string& path) {
    std::string absolute = absolutePath(path);
    if (absolute.empty()) {
        throw UsageError(error_text::kNoWorkingDirectory);
    }
    return absolute;
}

ConsoleOptions parseArguments(const std::vector<std::string>& args) {
    if (args.empty()) {
        throw UsageError("no command given");
    }
    Parse parse;
    parse.command = args[0];
    if (const auto alone = commandAlone(parse.command)) {
        if (args.size() > 1) {
            throw UsageError("'" + parse.command + "' takes no arguments");
        }
        parse.options.command = *alone;
        return parse.options;
    }
    if (parse.command == "split") {
        parse.options.command = ConsoleOptions::Command::Split;
    } else if (parse.command == "join") {
        parse.options.command = ConsoleOptions::Command::Join;
    } else {
        throw UsageError("unknown command '" + parse.command + "'");
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (parse.optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            takeFile(parse, arg);
        } else if (arg == "--") {
            parse.optionsEnded = true;
        } else {
            i = takeOption(parse, args, i);
        }
    }
    if (!parse.haveFile || parse.options.file.empty()) {
        throw UsageError(parse.command + " wants a FILE");
    }
    return parse.options;
}

}  // namespace roruvez

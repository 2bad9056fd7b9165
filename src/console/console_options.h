#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/piece_format.h"

namespace roruvez {

// A command line that cannot be run as given; what() is the one-line reason.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One --drive X:=DIR. An empty directory is a drive with no medium in it.
struct DriveBinding {
    char letter = 'a';  // lower case
    std::string directory;
};

struct ConsoleOptions {
    enum class Command { Split, Join, Help, Version };

    Command command = Command::Help;
    std::string file;
    // What goes into the piece size box.
    std::string sizeText = kDefaultPieceSizeText;
    bool sizeGiven = false;
    std::optional<char> saveTo;  // lower case
    std::vector<DriveBinding> drives;
    bool yes = false;
    bool checksums = false;
    // Pieces the recovery data rebuilds; none without it.
    int recovery = 0;
    std::string tracePath;
    // Where a join from floppy disks restores the file.
    std::string into;
};

// What --help prints, with the limits the format keeps.
std::string usageText();
// The line that follows a usage error's reason.
extern const char* const kTryHelp;

// Reads the arguments after the program name. Only the form is checked here; whether the
// files and drives exist is the runner's business.
ConsoleOptions parseArguments(const std::vector<std::string>& args);

// FILE or DIR made absolute as absolutePath (platform/paths.h) makes it; a UsageError when the
// working directory cannot be read.
std::string absoluteOrRefused(const std::string& path);

}  // namespace roruvez

#pragma once

#include <string>
#include <vector>

namespace roruvez {

// What the window's command line asks for. A desktop hands over the one file it opens with the
// program; nothing else is read from the command line.
struct WindowArguments {
    enum class Kind { Run, Help, Version, Usage };
    Kind kind = Kind::Run;
    // Run: the file to select, as the bytes of its name; empty for none. Usage: why the line was
    // refused.
    std::string file;
    std::string problem;
};

// The arguments after the program's name, once Qt has taken its own options, as the bytes they
// came as.
WindowArguments parseWindowArguments(const std::vector<std::string>& arguments);

// Why the file a command line names cannot be chosen (it is missing, or cannot be looked at), in
// the words of every other failure; empty when it can.
std::string unusableFileReason(const std::string& file);

// The set's first piece when path is a later piece (breldo.2 to breldo.10000, in any case) or
// breldo.par2 and the breldo.1 of the same spelling stands beside it as an ordinary file; else
// path itself.
std::string firstPieceBeside(const std::string& path);

// Whether the line asks only for --help or --version, which must answer without a display.
bool asksForHelpOrVersion(int argc, char** argv);

extern const char* const kWindowUsage;

}  // namespace roruvez

#include "window/command_line.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "format/piece_format.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "text/text.h"
#include "window/file_url.h"

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

namespace {

WindowArguments refused(std::string problem) {
    return {WindowArguments::Kind::Usage, {}, std::move(problem)};
}

}  // namespace

WindowArguments parseWindowArguments(const std::vector<std::string>& arguments) {
    WindowArguments parsed;
    bool optionsEnd = false;
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        if (!optionsEnd && argument == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && (argument == "--help" || argument == "-h")) {
            return {WindowArguments::Kind::Help, {}, {}};
        } else if (!optionsEnd && argument == "--version") {
            return {WindowArguments::Kind::Version, {}, {}};
        } else if (!optionsEnd && argument.size() > 1 && argument.front() == '-') {
            std::string problem = "unknown option '";
            problem += argument;
            problem += "'";
            return refused(std::move(problem));
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() > 1) {
        std::string problem = "one file at most, ";
        problem += std::to_string(files.size());
        problem += " given";
        return refused(std::move(problem));
    }
    if (files.empty()) {
        return parsed;
    }
    // A file manager may hand over an address instead of a path.
    std::string path = files.front();
    if (const std::optional<std::string> local = localPathOfUrl(path)) {
        path = *local;
    } else if (path.size() >= 5 && (path.compare(0, 5, "file:") == 0)) {
        std::string problem = "not a local file: ";
        problem += path;
        return refused(std::move(problem));
    }
    // A drop always carries a full path.
    const std::string absolute = absolutePath(path);
    if (absolute.empty()) {
        return refused("the working directory cannot be read, so give the file's full path");
    }
    parsed.file = cleanPath(absolute);
    return parsed;
}

std::string unusableFileReason(const std::string& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? std::string() : describeErrno(errno);
}

std::string firstPieceBeside(const std::string& path) {
    const std::size_t nameAt = path.rfind('/') + 1;
    std::string first;
    if (isRecoveryIndexName(path)) {
        first = firstPieceBesideIndex(path);
    } else if (const auto number = pieceNumberOf(std::string_view(path).substr(nameAt));
               number && *number > 1) {
        first = path.substr(0, nameAt + std::string_view(kPieceBaseName).size()) + "1";
    } else {
        return path;
    }
    std::error_code unused;
    return std::filesystem::is_regular_file(first, unused) ? first : path;
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

#include "console/console_run.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <ext/stdio_filebuf.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

#include "console/console_drives.h"
#include "console/console_options.h"
#include "format/piece_format.h"
#include "join/join_driver.h"
#include "platform/drive_table.h"
#include "platform/error.h"
#include "platform/platform.h"
#include "split/split_driver.h"
#include "state/context.h"
#include "state/job_state.h"

#ifndef RORUVEZ_VERSION
#define RORUVEZ_VERSION "unknown"
#endif

namespace roruvez {

namespace {

// The trace on the descriptor that created it.
struct TraceFile {
    explicit TraceFile(int fd) : buffer(fd, std::ios::out), stream(&buffer) {}
    __gnu_cxx::stdio_filebuf<char> buffer;
    std::ostream stream;
};

// The window offers only an existing file, and only the command that fits its name.
void checkFile(const ConsoleOptions& options, const std::string& path, FileSystem& files) {
    bool directory = false;
    try {
        directory = files.isDirectory(path);
    } catch (const PlatformError& failure) {
        throw PlatformError(path + ": " + failure.what(), path);
    }
    if (directory) {
        throw PlatformError(path + " is a directory", path);
    }
    const bool firstPiece = isFirstPieceName(path);
    if (options.command == ConsoleOptions::Command::Join && !firstPiece &&
        !isRecoveryIndexName(path)) {
        throw PlatformError(path + " is not a first piece: its name must end in " +
                                std::string(kFirstPieceName) + " (or " +
                                std::string(kRecoveryIndexName) + " when piece 1 is lost)",
                            path);
    }
    if (options.command == ConsoleOptions::Command::Split && firstPiece) {
        throw PlatformError(path + " is a first piece: join it instead of splitting it", path);
    }
}

void checkBindings(const ConsoleOptions& options) {
    for (const auto& binding : options.drives) {
        std::error_code error;
        if (!binding.directory.empty() &&
            !std::filesystem::is_directory(binding.directory, error)) {
            throw PlatformError("--drive " + std::string(1, binding.letter) + ": " +
                                    binding.directory + " is not a directory",
                                binding.directory);
        }
    }
}

// A new file, never one that is there: it could be a piece, the source or anything else.
std::unique_ptr<TraceFile> openTrace(const std::string& tracePath) {
    const int fd = ::open(tracePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        throw UsageError(
            "--trace " + tracePath +
            (error == EEXIST ? " already exists: name a new file" : ": " + describeErrno(error)));
    }
    return std::make_unique<TraceFile>(fd);
}

// What a checked command line leaves for the job: the machine as the options bind it.
struct Run {
    ConsoleOptions options;
    LinuxDriveTable machine;
    std::optional<ConsoleDriveTable> drives;
    std::optional<FileSystem> files;
    std::string path;
    std::string driveText;
    std::unique_ptr<TraceFile> traceFile;
};

// Checks what the options name before anything is written: a UsageError for the command line, a
// PlatformError for a file, directory or drive that cannot be used.
void prepare(Run& run) {
    checkBindings(run.options);
    run.drives.emplace(run.machine, run.options.drives);
    run.files.emplace(*run.drives);
    if (run.options.saveTo) {
        const auto drive = findDrive(*run.drives, *run.options.saveTo);
        if (!drive) {
            throw PlatformError(std::string("--save-to: there is no drive ") + *run.options.saveTo +
                                ": on this machine");
        }
        run.driveText = driveListText(*drive);
    }
    run.path = absoluteOrRefused(run.options.file);
    if (!run.options.into.empty() && !driveLetterOf(run.options.into)) {
        run.options.into = absoluteOrRefused(run.options.into);
    }
    checkFile(run.options, run.path, *run.files);
    if (!run.options.tracePath.empty()) {
        run.traceFile = openTrace(run.options.tracePath);
    }
}

int runJob(Run& run, ConsoleStreams streams) {
    StatvfsFreeSpace freeSpace(*run.files);
    SystemClock clock;
    Platform platform{*run.files, *run.drives, freeSpace, clock};
    std::optional<TraceLog> trace;
    if (run.traceFile) {
        trace.emplace(run.traceFile->stream);
    }
    ConsoleSurface surface(streams, run.options.yes, trace ? &*trace : nullptr);
    surface.presetText(Control::Text1, run.path);
    surface.presetText(Control::Text2, run.options.sizeText);
    surface.presetCheck(Control::Check1, run.options.saveTo ? 1 : 0);
    surface.presetDrive(run.driveText);

    JobState state;
    state.FilePath = run.path;
    Context context{state, surface, platform};
    surface.onInterrupt = [&] {
        // As the window's close box does: end at once, leaving no unfinished joined file.
        surface.clearProgress();
        state.closeAllFiles();
        streams.err << "roruvez-cli: interrupted\n";
        streams.err.flush();
        streams.out.flush();
        std::_Exit(kExitInterrupted);
    };
    if (run.options.command == ConsoleOptions::Command::Split) {
        SplitFile(state.FilePath, context,
                  JobRequest{.checksums = run.options.checksums, .recovery = run.options.recovery});
    } else {
        const std::string piece1 = state.FilePath;
        JoinFiles(piece1, context, JobRequest{.into = run.options.into});
        if (surface.folderAsked()) {
            surface.clearProgress();
            streams.err << kProgramPrefix
                        << "a join from floppy disks needs --into DIR, a folder on another drive "
                           "for the file\n"
                        << kTryHelp << '\n';
            return kExitUsage;
        }
    }
    state.closeAllFiles();
    surface.clearProgress();
    switch (state.Outcome) {
        case JobOutcome::Done:
            return kExitDone;
        case JobOutcome::Mismatched:
            return kExitSizeMismatch;
        case JobOutcome::NotCompleted:
            break;
    }
    return kExitNotCompleted;
}

}  // namespace

int runConsole(const std::vector<std::string>& args, ConsoleStreams streams) {
    Run run;
    try {
        run.options = parseArguments(args);
        if (run.options.command == ConsoleOptions::Command::Help) {
            streams.out << usageText();
            return kExitDone;
        }
        if (run.options.command == ConsoleOptions::Command::Version) {
            streams.out << "roruvez-cli " << RORUVEZ_VERSION << '\n';
            return kExitDone;
        }
        prepare(run);
    } catch (const UsageError& error) {
        streams.err << kProgramPrefix << error.what() << '\n' << kTryHelp << '\n';
        return kExitUsage;
    } catch (const PlatformError& error) {
        streams.err << kProgramPrefix << error.what() << '\n';
        return kExitNotCompleted;
    }
    return runJob(run, streams);
}

}  // namespace roruvez

#include "join/join_driver.h"

#include <exception>

#include "checks/md5.h"
#include "files/named_outputs.h"
#include "files/output_guard.h"
#include "files/target_dir.h"
#include "format/piece_format.h"
#include "join/checksum_check.h"
#include "join/disk_join.h"
#include "join/header_reader.h"
#include "join/piece_appender.h"
#include "join/piece_check.h"
#include "join/recovery_rebuild.h"
#include "platform/error.h"
#include "state/failure_texts.h"
#include "state/status_texts.h"

namespace roruvez {

namespace {

// The pieces' data is restored. A set that does not add up still ends as not completed, after
// the warning, since a file that is not the one split must never end in "Done!".
void reportRestored(const std::string& restored, const std::string& targetDir, Context& context) {
    if (context.state.SizeMismatch) {
        endJob(context, JobOutcome::Mismatched, mismatchReport(restored, context));
        return;
    }
    const auto& recovery = context.run().recovery;
    if (recovery && !recovery->lost.empty()) {
        std::string box = error_text::kPiecesRebuilt;
        for (const int number : recovery->lost) {
            box += "\r\n" + pieceName(targetDir, number, context.state.PieceBaseName);
        }
        context.surface.messageBox(box, Buttons::Ok);
    }
    endJob(context, JobOutcome::Done);
    context.surface.setEnabled(Control::Command3, false);
}

// What the user is told when the copy fails: the output, what failed, and that nothing is kept.
std::string joinFailureReport(const std::string& restored, const std::string& why) {
    std::string report = "Error joining files into: ";
    report += restored;
    report += "\r\n";
    report += why;
    report += "\r\nNo file was written under this name.";
    return report;
}

// Runs one of the driver's own steps. A failure ends the job with a box of report(its text), and
// the pieces it concerns stay in the log once the box is closed; false then.
template <class Step, class Report>
bool stepDone(Context& context, Step&& step, Report&& report) {
    const auto endFailed = [&](const PlatformError& failure) {
        endJob(context, JobOutcome::NotCompleted, report(failure.what()));
        for (const std::string& piece : failure.pieces()) {
            context.surface.appendLog(piece + ": " + failure.pieceNote());
        }
    };
    try {
        step();
        return true;
    } catch (const PlatformError& failure) {
        endFailed(failure);
    } catch (const std::exception& failure) {
        endFailed(PlatformError(failure.what()));
    }
    return false;
}

// Reads the set's checksum list, when it has one, and has the copy sum the pieces for it.
void readChecksums(const std::string& targetDir, Context& context) {
    JobRun& run = context.run();
    run.listedDigests = readListedDigests(targetDir, context);
    if (!run.listedDigests.empty()) {
        run.sums = PieceSums(PieceSums::Job::Join);
        return;
    }
    // Without a list, a recovery set's MD5s find the damaged pieces.
    if (run.recovery) {
        for (const auto& [id, file] : run.recovery->set.files) {
            run.listedDigests[*pieceNumberOf(file.name)] = md5Text(file.hash);
        }
        run.sums = PieceSums(PieceSums::Job::Join, makeMd5Sum);
    }
}

// Reads the header of the set: piece 1's, or, when breldo.par2 was chosen and piece 1 is lost,
// rebuilt from the recovery data. Ends the job and gives false when it cannot.
bool headerRead(const std::string& chosen, const std::string& firstPiece, Context& context) {
    bool lost = false;
    const auto report = [&](const std::string& why) {
        return "Error getting file info: " + chosen + "\r\n" + why;
    };
    if (isRecoveryIndexName(chosen) &&
        !stepDone(
            context, [&] { lost = !context.platform.files.findFile(firstPiece); }, report)) {
        return false;
    }
    if (!lost) {
        if (ReadHeader(firstPiece, context) != 0) {
            endJob(context, JobOutcome::NotCompleted, "Error getting file info: " + firstPiece);
            return false;
        }
        return true;
    }
    return stepDone(
        context,
        [&] {
            const std::string& targetDir = context.state.TargetDir;
            context.state.PieceBaseName =
                pieceBaseNameOf(firstPiece, targetDir, context.platform.files);
            TakeHeader(rebuiltHeader(targetDir, context), firstPiece, context);
        },
        report);
}

// The list may keep the name the file is restored under, so it is read before the guard; a
// list that cannot be read is reported after the guard's own look at the disk. Ends the job and
// gives false when the file may not be written.
bool outputMayBeWritten(const std::string& targetDir, Context& context) {
    std::exception_ptr listFailure;
    try {
        readChecksums(targetDir, context);
    } catch (...) {
        listFailure = std::current_exception();
    }
    const auto& longName = context.run().longName;
    // The guard and its refusal concern the name the file gets.
    const std::string origName = context.state.PieceHeader.OrigName;
    if (CheckOutputFile(longName ? targetDir + *longName : targetDir + origName, context) != 0) {
        context.surface.messageBox(
            "Sorry:" + longName.value_or(origName) + " already exists or Disk Error: exited!",
            Buttons::Ok);
        endJob(context, JobOutcome::NotCompleted);
        return false;
    }
    return !listFailure ||
           stepDone(
               context, [&] { std::rethrow_exception(listFailure); },
               [](const std::string& why) { return "Error reading checksums: " + why; });
}

}  // namespace

std::int16_t JoinFiles(const std::string& path, Context& context, const JobRequest& request) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    // The caller may pass FilePath itself, which a selection during the copy could change.
    const std::string chosen = path;  // NOLINT(performance-unnecessary-copy-initialization)
    // A chosen breldo.par2 stands for the piece 1 beside it.
    const std::string firstPiece =
        isRecoveryIndexName(chosen) ? firstPieceBesideIndex(chosen) : chosen;

    state.startJob();
    context.startRun(request);
    state.SizeMismatch = false;
    surface.setLamp(kLightRed);
    surface.showStatus(status_text::kJoinBegins);
    state.closeAllFiles();
    const DirectoryPin pin(context.platform.files);

    if (ResolveTargetDir(firstPiece, context) != 0) {
        endJob(context, JobOutcome::NotCompleted,
               "Error decoding current directory: " + firstPiece);
        return 0;
    }
    if (!headerRead(chosen, firstPiece, context)) {
        return 0;
    }
    const std::string targetDir = state.TargetDir;
    if (MatchPieceSet(firstPiece, targetDir, context) != 0) {
        endJob(context, JobOutcome::NotCompleted);
        return 0;
    }
    if (joinsDiskByDisk(firstPiece, targetDir, context)) {
        return JoinFromDisks(firstPiece, targetDir, context);
    }
    if (CheckPieces(targetDir, context) != 0) {
        endJob(context, JobOutcome::NotCompleted, "Error getting CheckSum on: " + targetDir);
        return 0;
    }
    if (!outputMayBeWritten(targetDir, context)) {
        return 0;
    }

    const std::string restored = restoredName(targetDir, context);
    if (!stepDone(
            context, [&] { AppendPieces(targetDir, context); },
            [&](const std::string& why) { return joinFailureReport(restored, why); })) {
        return 0;
    }
    if (!OutputsStillThere(context, "Error joining files into: " + restored + "\r\n")) {
        return 0;
    }

    reportRestored(restored, targetDir, context);
    return 0;
}

}  // namespace roruvez

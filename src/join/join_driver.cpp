#include "join/join_driver.h"

#include "files/named_outputs.h"
#include "files/output_guard.h"
#include "files/target_dir.h"
#include "join/checksum_check.h"
#include "join/header_reader.h"
#include "join/piece_appender.h"
#include "join/piece_check.h"
#include "platform/error.h"
#include "state/status_texts.h"

namespace roruvez {

namespace {

// The pieces' data is restored. A set that does not add up still ends as not completed, after
// the warning, since a file that is not the one split must never end in "Done!".
void reportRestored(const std::string& restored, Context& context) {
    if (context.state.SizeMismatch) {
        endJob(context, JobOutcome::Mismatched, mismatchReport(restored, context));
        return;
    }
    endJob(context, JobOutcome::Done);
    context.surface.setEnabled(Control::Command3, false);
}

// What the user is told when the copy fails: the output, what failed, and that nothing is kept.
std::string joinFailureReport(const std::string& restored, const std::exception& failure) {
    std::string report = "Error joining files into: ";
    report += restored;
    report += "\r\n";
    report += failure.what();
    report += "\r\nNo file was written under this name.";
    return report;
}

// Ends the job; pieces a failure names stay in the log once its box is closed.
void endFailed(Context& context, const std::string& why, const std::exception& failure) {
    endJob(context, JobOutcome::NotCompleted, why);
    if (const auto* pieces = dynamic_cast<const PiecesFailure*>(&failure)) {
        for (const std::string& piece : pieces->pieces()) {
            context.surface.appendLog(piece + ": " + pieces->note());
        }
    }
}

// Reads the set's checksum list, when it has one, and has the copy sum the pieces for it; a
// list that is not one ends the job.
bool checksumsRead(const std::string& targetDir, Context& context) {
    JobState& state = context.state;
    try {
        state.ListedDigests = readListedDigests(targetDir, context);
    } catch (const std::exception& failure) {
        endFailed(context, std::string("Error reading checksums: ") + failure.what(), failure);
        return false;
    }
    if (!state.ListedDigests.empty()) {
        state.startHashing(2);
    }
    return true;
}

}  // namespace

std::int16_t JoinFiles(const std::string& path, Context& context) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    // The caller may pass FilePath itself, which a selection during the copy could change.
    const std::string firstPiece = path;  // NOLINT(performance-unnecessary-copy-initialization)

    state.startJob();
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
    if (ReadHeader(firstPiece, context) != 0) {
        endJob(context, JobOutcome::NotCompleted, "Error getting file info: " + firstPiece);
        return 0;
    }
    const std::string targetDir = state.TargetDir;
    if (MatchPieceSet(firstPiece, targetDir, context) != 0) {
        endJob(context, JobOutcome::NotCompleted);
        return 0;
    }
    if (CheckPieces(targetDir, context) != 0) {
        endJob(context, JobOutcome::NotCompleted, "Error getting CheckSum on: " + targetDir);
        return 0;
    }
    const std::string origName = state.PieceHeader.OrigName;
    if (CheckOutputFile(targetDir + origName, context) != 0) {
        surface.messageBox("Sorry:" + origName + " already exists or Disk Error: exited!",
                           Buttons::Ok);
        endJob(context, JobOutcome::NotCompleted);
        return 0;
    }

    if (!checksumsRead(targetDir, context)) {
        return 0;
    }

    const std::string restored = restoredName(targetDir, origName);
    try {
        AppendPieces(targetDir, context);
    } catch (const std::exception& failure) {
        endFailed(context, joinFailureReport(restored, failure), failure);
        return 0;
    }
    try {
        ConfirmNamedOutputs(context);
    } catch (const PlatformError& lost) {
        endJob(context, JobOutcome::NotCompleted,
               "Error joining files into: " + restored + "\r\n" + lost.what());
        return 0;
    }

    reportRestored(restored, context);
    return 0;
}

}  // namespace roruvez

#include "join/join_driver.h"

#include "files/output_guard.h"
#include "files/target_dir.h"
#include "join/header_reader.h"
#include "join/piece_appender.h"
#include "join/piece_check.h"

namespace roruvez {

namespace {

// The pieces' data is restored. A set that does not add up still ends as not completed, after
// the warning, since a file that is not the one split must never end in "Done!".
void reportRestored(const std::string& restored, Context& context) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    if (state.SizeMismatch) {
        state.Outcome = JobOutcome::Mismatched;
        markNotCompleted(surface);
        surface.messageBox(mismatchReport(restored, context), Buttons::Ok);
        return;
    }
    state.Outcome = JobOutcome::Done;
    surface.appendLog("Done!");
    surface.setCaption(Control::Label9, "Done!");
    surface.setBackColour(Control::Label3, kLightGreen);
    surface.setEnabled(Control::Command3, false);
}

}  // namespace

std::int16_t JoinFiles(const std::string& path, Context& context) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    // The caller may pass FilePath itself, which a selection during the copy could change.
    const std::string firstPiece = path;  // NOLINT(performance-unnecessary-copy-initialization)

    state.Outcome = JobOutcome::NotCompleted;
    state.SizeMismatch = false;
    surface.setBackColour(Control::Label3, kLightRed);
    surface.setCaption(Control::Label9, "BRELDO -R");
    state.closeAllFiles();
    const DirectoryPin pin(context.platform.files);

    if (ResolveTargetDir(firstPiece, context) != 0) {
        markNotCompleted(surface);
        surface.messageBox("Error decoding current directory: " + firstPiece, Buttons::Ok);
        return 0;
    }
    if (ReadHeader(firstPiece, context) != 0) {
        markNotCompleted(surface);
        surface.messageBox("Error getting file info: " + firstPiece, Buttons::Ok);
        return 0;
    }
    const std::string targetDir = state.TargetDir;
    if (MatchPieceSet(firstPiece, targetDir, context) != 0) {
        markNotCompleted(surface);
        return 0;
    }
    if (CheckPieces(targetDir, context) != 0) {
        markNotCompleted(surface);
        surface.messageBox("Error getting CheckSum on: " + targetDir, Buttons::Ok);
        return 0;
    }
    const std::string origName = state.PieceHeader.OrigName;
    if (CheckOutputFile(targetDir + origName, context) != 0) {
        surface.messageBox("Sorry:" + origName + " already exists or Disk Error: exited!",
                           Buttons::Ok);
        surface.setCaption(Control::Label9, "Not completed!");
        return 0;
    }

    std::string failure;
    if (AppendPieces(targetDir, context, failure) != 0) {
        markNotCompleted(surface);
        surface.messageBox("Error joining files into: " + restoredName(targetDir, origName) +
                               "\r\n" + failure + "\r\nNo file was written under this name.",
                           Buttons::Ok);
        return 0;
    }

    reportRestored(restoredName(targetDir, origName), context);
    return 0;
}

}  // namespace roruvez

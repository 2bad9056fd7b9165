#include "split/split_driver.h"

#include "files/named_outputs.h"
#include "files/short_name.h"
#include "files/target_dir.h"
#include "format/piece_format.h"
#include "split/first_piece.h"
#include "split/header_builder.h"
#include "split/next_pieces.h"
#include "state/status_texts.h"

namespace roruvez {

std::int16_t SplitFile(const std::string& path, Context& context, const JobRequest& request) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    state.startJob();
    context.startRun(request);
    surface.showStatus(status_text::kSplitBegins + path);
    state.closeAllFiles();
    surface.setLamp(kLightRed);
    surface.pumpEvents();
    const DirectoryPin pin(context.platform.files);

    if (MakeShortName(path, context) != 0) {
        surface.messageBox("File Split Failed!" + path, Buttons::Ok);
        endJob(context, JobOutcome::NotCompleted);
        return 0;
    }
    if (ResolveTargetDir(path, context) != 0) {
        endJob(context, JobOutcome::NotCompleted, "Error decoding directory name: " + path);
        return 0;
    }
    state.SourceLen = 0;
    if (BuildHeader(state.ShortName, context) != 0) {
        // A source too large was read well; its box said all.
        endJob(context, JobOutcome::NotCompleted,
               state.SourceLen > kMaxSourceLength ? ""
                                                  : "Error reading input file: " + state.ShortName);
        return 0;
    }
    surface.setCaption(Control::Label7, "CSum: " + state.HdrFileSize);
    surface.setCaption(Control::Label8, state.HdrStamp);

    // Recovery data brings sums of its own, with these.
    if (request.checksums && request.recovery == 0) {
        context.run().sums = PieceSums(PieceSums::Job::Split);
    }
    if (WriteFirstPiece(state.TargetDir, context) != 0) {
        endJob(context, JobOutcome::NotCompleted);
        return 0;
    }
    if (WriteNextPieces(state.TargetDir, context) != 0) {
        endJob(context, JobOutcome::NotCompleted, "Error writing files on: " + state.TargetDir);
        return 0;
    }
    if (!OutputsStillThere(context)) {
        return 0;
    }

    surface.setEnabled(Control::Command1, false);
    surface.setEnabled(Control::Check1, false);
    surface.setEnabled(Control::Drive1, false);
    endJob(context, JobOutcome::Done);
    return 0;
}

}  // namespace roruvez

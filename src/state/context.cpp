#include "state/context.h"

#include <chrono>

namespace roruvez {

void showFailure(Context& context, const std::exception& failure) {
    context.surface.messageBox(failure.what(), Buttons::Ok);
}

void endJob(Context& context, JobOutcome outcome, const std::string& why) {
    StatusSurface& surface = context.surface;
    context.state.Outcome = outcome;
    if (outcome == JobOutcome::Done) {
        surface.appendLog("Done!");
        surface.showStatus("Done!");
        surface.setLamp(kLightGreen);
    } else {
        surface.showStatus("Not completed!");
        surface.setLamp(kLightRed);
    }
    if (!why.empty()) {
        surface.messageBox(why, Buttons::Ok);
    }
}

std::function<void(std::int64_t)> copyProgress(Context& context, const std::string& piecePath,
                                               int pieceNumber, CopyStart start) {
    using Steady = std::chrono::steady_clock;
    return [&context, report = JobProgress{piecePath, pieceNumber, 0, 0, start.jobTotal}, start,
            last = Steady::now()](std::int64_t done) mutable {
        report.pieceBytes = start.pieceOffset + done;
        report.jobBytes = start.jobBefore + done;
        context.surface.progress(report);
        const auto now = Steady::now();
        if (now - last >= std::chrono::milliseconds(100)) {
            last = now;
            context.surface.pumpEvents();
        }
    };
}

}  // namespace roruvez

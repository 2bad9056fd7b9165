#include "state/context.h"

#include <algorithm>
#include <chrono>

#include "state/status_texts.h"

namespace roruvez {

void showFailure(Context& context, const std::exception& failure) {
    context.surface.messageBox(failure.what(), Buttons::Ok);
}

void endJob(Context& context, JobOutcome outcome, const std::string& why) {
    StatusSurface& surface = context.surface;
    context.state.Outcome = outcome;
    context.running.reset();
    if (outcome == JobOutcome::Done) {
        surface.appendLog(status_text::kDone);
        surface.showStatus(status_text::kDone);
        surface.setLamp(kLightGreen);
    } else {
        surface.showStatus(status_text::kNotCompleted);
        surface.setLamp(kLightRed);
    }
    if (!why.empty()) {
        surface.messageBox(why, Buttons::Ok);
    }
}

namespace {

using Steady = std::chrono::steady_clock;

// Reports come after every block and at least every kWaitingTickMilliseconds of a wait on the
// medium, so pumping at the first report this long after the last keeps the gaps within 100 ms.
constexpr auto kPumpEvery = std::chrono::milliseconds(50);

void pumpIfDue(Context& context) {
    const auto now = Steady::now();
    if (now - context.state.LastCopyPump >= kPumpEvery) {
        context.state.LastCopyPump = now;
        context.surface.pumpEvents();
    }
}

}  // namespace

std::function<void(std::int64_t)> copyProgress(Context& context, const std::string& piecePath,
                                               int pieceNumber, CopyStart start) {
    return [&context, report = JobProgress{piecePath, pieceNumber, 0, 0, start.jobTotal},
            start](std::int64_t done) mutable {
        report.pieceBytes = start.pieceOffset + done;
        // A piece's header is not the source's.
        report.jobBytes = start.jobBefore + std::max<std::int64_t>(done, 0);
        context.surface.progress(report);
        pumpIfDue(context);
    };
}

WhileWaiting pumpWhileWaiting(Context& context) {
    return [&context] {
        context.surface.stopIfAsked();
        pumpIfDue(context);
    };
}

}  // namespace roruvez

#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "state/job_run.h"
#include "state/job_state.h"
#include "state/status_surface.h"

namespace roruvez {

// What every step works in: the one job state, the surface it reports on, the machine, and the
// running job's machinery.
struct Context {
    JobState& state;
    StatusSurface& surface;
    Platform& platform;
    std::unique_ptr<JobRun> running = {};

    // A job starts: a new run with what the user asked.
    void startRun(const JobRequest& request = {}) { running = std::make_unique<JobRun>(request); }
    // The running job's machinery; a step run on its own gets a run of its own.
    JobRun& run() {
        if (!running) {
            startRun();
        }
        return *running;
    }
};

// Shows a failure's description the way every error trap does: OK only, default title.
void showFailure(Context& context, const std::exception& failure);

// The error trap of every step: a failure is shown in an OK box, cleanUp runs first, and the
// step reports 1.
template <class Step, class CleanUp>
std::int16_t trapFailures(Context& context, Step&& step, CleanUp&& cleanUp) {
    try {
        return step();
    } catch (const std::exception& failure) {
        cleanUp();
        showFailure(context, failure);
        return 1;
    }
}

template <class Step>
std::int16_t trapFailures(Context& context, Step&& step) {
    return trapFailures(context, std::forward<Step>(step), [] {});
}

// The trap of a step that opens file number 1 for itself: a failure drops that file first.
template <class Step>
std::int16_t trapFailuresDroppingInput(Context& context, Step&& step) {
    return trapFailures(context, std::forward<Step>(step),
                        [&context] { context.state.File1.reset(); });
}

// The one way a job ends: the outcome, then the status line and the lamp ("Done!" and green, or
// "Not completed!" and red), "Done!" also in the log; then, when given, the box that says why.
void endJob(Context& context, JobOutcome outcome, const std::string& why = {});

// The progress callback for copying one piece: reports the piece's bytes done (pieceOffset plus
// the bytes on the medium) and the job's (jobBefore plus the bytes on the medium, of jobTotal),
// and lets the window handle its events at least every 100 ms of a long copy.
struct CopyStart {
    std::int64_t pieceOffset = 0;
    std::int64_t jobBefore = 0;
    std::int64_t jobTotal = 0;
};
std::function<void(std::int64_t)> copyProgress(Context& context, const std::string& piecePath,
                                               int pieceNumber, CopyStart start);

// Lets the window handle its events at least every 100 ms while an output waits for its medium,
// and acts on a request to stop at each call.
WhileWaiting pumpWhileWaiting(Context& context);

}  // namespace roruvez

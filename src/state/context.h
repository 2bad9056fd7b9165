#pragma once

#include "platform/platform.h"
#include "state/job_state.h"
#include "state/status_surface.h"

namespace roruvez {

// What every step works in: the one job state, the surface it reports on, and the machine.
struct Context {
    JobState& state;
    StatusSurface& surface;
    Platform& platform;
};

// Shows a failure's description the way every error trap does: OK only, default title.
void showFailure(Context& context, const std::exception& failure);

}  // namespace roruvez

#include "state/context.h"

#include <chrono>

namespace roruvez {

void showFailure(Context& context, const std::exception& failure) {
    context.surface.messageBox(failure.what(), Buttons::Ok);
}

void markNotCompleted(StatusSurface& surface) {
    surface.setCaption(Control::Label9, "Not completed!");
    surface.setBackColour(Control::Label3, kLightRed);
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

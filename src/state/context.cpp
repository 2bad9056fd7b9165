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
                                               int pieceNumber, std::int64_t offset) {
    using Steady = std::chrono::steady_clock;
    return [&context, piecePath, pieceNumber, offset,
            last = Steady::now()](std::int64_t done) mutable {
        context.surface.progress(piecePath, pieceNumber, offset + done);
        const auto now = Steady::now();
        if (now - last >= std::chrono::milliseconds(100)) {
            last = now;
            context.surface.pumpEvents();
        }
    };
}

}  // namespace roruvez

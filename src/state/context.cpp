#include "state/context.h"

namespace roruvez {

void showFailure(Context& context, const std::exception& failure) {
    context.surface.messageBox(failure.what(), Buttons::Ok);
}

}  // namespace roruvez

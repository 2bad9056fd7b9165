#pragma once

#include "state/context.h"

namespace roruvez {

// Before "Done!" and before a disk is changed: every output the job named since the last look is
// still its own under that name, found from the root as a user would find it, not through the
// directory the job holds open. Throws PlatformError naming each output that is missing or is
// another file now; the list is empty afterwards either way.
void ConfirmNamedOutputs(Context& context);

}  // namespace roruvez

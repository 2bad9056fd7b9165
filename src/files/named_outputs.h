#pragma once

#include <string>

#include "state/context.h"

namespace roruvez {

// Before "Done!" and before a disk is changed: every output the job named since the last look is
// still its own under that name, found from the root as a user would find it, not through the
// directory the job holds open. Throws PlatformError naming each output that is missing or is
// another file now; the list is empty afterwards either way.
void ConfirmNamedOutputs(Context& context);

// The look before "Done!", once, at the end of a job that did its work: true when every output
// is still as it was named; otherwise the job ends "Not completed!" with a box of prefix and
// what was found, and this is false.
bool OutputsStillThere(Context& context, const std::string& prefix = {});

}  // namespace roruvez

#pragma once

namespace roruvez {

// Ctrl-C, a hang-up or a termination request: the signal only notes it, and the job acts on it
// at its next event pump, where its files can be closed and an unfinished join removed.
void installInterruptHandlers();

bool interruptRequested();

}  // namespace roruvez

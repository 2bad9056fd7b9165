#pragma once

#include <string>

#include "platform/open_directory.h"

namespace roruvez {

// Where a file system cannot write an output without a name, it is written under a hidden name
// ".roruvez-<pid>-<n>.part" beside its final one (see OutputFile), and a later job removes
// those whose writers have gone.

std::string temporaryOutputName(long pid, int attempt);
bool isTemporaryOutputName(const std::string& name);

// A hidden output of this process, created and locked. -1 when the name went before the lock
// was taken (a sweep judged it abandoned), or a sweep holds its lock: the caller tries another.
int createHiddenOutput(const OpenDirectory& directory, const std::string& name);

// Removes from the directory the hidden outputs whose writers have gone (see OutputFile), but
// for the caller's own new one, whose time is the file system's now. Best effort; failures are
// ignored.
void removeAbandonedOutputs(const OpenDirectory& directory, const std::string& ownName, int ownFd);

}  // namespace roruvez

#pragma once

#include "platform/file_system.h"
#include "platform/platform.h"
#include "support/fakes.h"

namespace roruvez::testing {

// The real file system, with a fresh temporary directory in dir, and fake drives, free space
// and clock. c: is "/".
struct FakeMachine {
    TempDir dir;
    FakeDriveTable drives;
    FileSystem files{drives};
    ScriptedFreeSpace freeSpace;
    FixedClock clock;
    Platform platform{files, drives, freeSpace, clock};
};

}  // namespace roruvez::testing

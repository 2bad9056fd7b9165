#pragma once

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "state/context.h"
#include "support/fakes.h"
#include "support/recording_surface.h"

namespace roruvez::testing {

// A job context on the real file system, with fake drives, free space and clock, and a
// recording surface. dir is a fresh temporary directory; c: is "/".
class JobFixture : public ::testing::Test {
  protected:
    JobFixture();

    TempDir dir;
    FakeDriveTable drives;
    LinuxFileSystem files{drives};
    ScriptedFreeSpace freeSpace;
    FixedClock clock;
    Platform platform{files, drives, freeSpace, clock};
    JobState state;
    RecordingSurface surface;
    Context context{state, surface, platform};
};

}  // namespace roruvez::testing

#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "state/context.h"
#include "support/fake_machine.h"
#include "support/recording_surface.h"

namespace roruvez::testing {

// A job context on the fake machine, with a recording surface.
class JobFixture : public ::testing::Test, public FakeMachine {
  protected:
    // Start a split of path in pieces of pieceSize, or a join from piece1, as the window's
    // buttons do, in jobContext. A job still running after jobLimit ends the test program.
    void runSplit(const std::string& path, const std::string& pieceSize);
    void runJoin(const std::string& piece1);

    JobState state;
    RecordingSurface surface;
    Context context{state, surface, platform};
    Context* jobContext = &context;
    // What runSplit asks besides.
    JobRequest request;
    std::chrono::seconds jobLimit{60};
};

}  // namespace roruvez::testing

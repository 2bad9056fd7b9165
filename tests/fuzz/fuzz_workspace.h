#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "state/context.h"
#include "support/fakes.h"
#include "support/recording_surface.h"

namespace roruvez::fuzzing {

// One job context for a whole fuzzing run, as the window keeps one: the job state carries over
// from input to input. Jobs work in work(), a directory inside a directory that holds one more
// file, so that anything written outside work() is seen.
class Workspace {
  public:
    Workspace();

    std::filesystem::path work() const { return base_.path() / "work"; }
    // Empties work() but for the file KEEP.ME, and clears the surface's history and log.
    void reset();
    // Entries of work() with their bytes ("directory" for a directory).
    std::map<std::string, std::string> contents() const;
    // The outside of work() is as it was made.
    bool outsideUntouched() const;

    testing::FakeDriveTable drives;
    FileSystem files{drives};
    testing::ScriptedFreeSpace freeSpace;
    testing::FixedClock clock;
    Platform platform{files, drives, freeSpace, clock};
    JobState state;
    testing::RecordingSurface surface;
    Context context{state, surface, platform};

    static constexpr const char* kKeepName = "KEEP.ME";
    static constexpr const char* kKeepBytes = "an existing file that no job may change";

  private:
    testing::TempDir base_;
};

}  // namespace roruvez::fuzzing

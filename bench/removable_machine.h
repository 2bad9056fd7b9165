#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/drive_table.h"
#include "platform/file_system.h"
#include "platform/free_space.h"
#include "platform/platform.h"

namespace roruvez::bench {

// This machine, with every directory on a removable medium: every output is paced and flushed.
class RemovableMachine {
  public:
    Platform platform() { return Platform{files_, drives_, freeSpace_, clock_}; }

  private:
    class RemovableDrives : public LinuxDriveTable {
      public:
        bool onRemovableMedium(const std::string& /*directory*/) override { return true; }
    };

    RemovableDrives drives_;
    FileSystem files_{drives_};
    StatvfsFreeSpace freeSpace_{files_};
    SystemClock clock_;
};

}  // namespace roruvez::bench

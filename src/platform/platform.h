#pragma once

#include "platform/clock.h"
#include "platform/drive_table.h"
#include "platform/file_system.h"
#include "platform/free_space.h"

namespace roruvez {

// The machine as the job sees it. Tests replace the drives, the free space and the clock; the
// file system works on the drives it is given.
struct Platform {
    FileSystem& files;
    DriveTable& drives;
    FreeSpace& freeSpace;
    Clock& clock;
};

// The Linux machine this program runs on.
class LinuxPlatform {
  public:
    LinuxPlatform() : files_(drives_), freeSpace_(files_) {}
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    Platform platform() { return Platform{files_, drives_, freeSpace_, clock_}; }

  private:
    LinuxDriveTable drives_;
    FileSystem files_;
    StatvfsFreeSpace freeSpace_;
    SystemClock clock_;
};

}  // namespace roruvez

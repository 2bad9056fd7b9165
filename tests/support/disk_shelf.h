#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "support/fakes.h"
#include "support/recording_surface.h"

namespace roruvez::testing {

// The disks a floppy job wrote, on a shelf: the fake drive's folder is the disk in the drive.
class DiskShelf {
  public:
    explicit DiskShelf(std::filesystem::path drive) : drive_(std::move(drive)) {}

    // The disk in the drive goes onto the shelf as the next disk; the drive is left empty.
    void takeOut();
    // A copy of shelf disk number goes into the drive, in place of what was there.
    void insert(int number);
    // For a split's message boxes: a disk in the drive is taken out, so a new one goes in.
    std::function<std::optional<Answer>(const ShownBox&)> takingOutAtEachPrompt();
    // Every disk copied into one folder in order, later ones over earlier; the folder.
    std::filesystem::path allInOne();

    std::filesystem::path disk(int number) const { return shelf_.path() / std::to_string(number); }
    int count() const { return disks_; }

  private:
    std::filesystem::path drive_;
    TempDir shelf_;
    int disks_ = 0;
};

}  // namespace roruvez::testing

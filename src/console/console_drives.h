#pragma once

#include <vector>

#include "console/console_options.h"
#include "platform/drive_table.h"

namespace roruvez {

// The machine's drive table with some letters bound elsewhere for this run. a: and b: stay
// floppy drives; any other letter bound here is a fixed drive.
class ConsoleDriveTable : public DriveTable {
  public:
    ConsoleDriveTable(DriveTable& machine, std::vector<DriveBinding> bindings);
    std::vector<Drive> drives() override;
    bool onRemovableMedium(const std::string& directory) override;

  private:
    DriveTable& machine_;
    std::vector<DriveBinding> bindings_;
};

}  // namespace roruvez

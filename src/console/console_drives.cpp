#include "console/console_drives.h"

#include <algorithm>

namespace roruvez {

ConsoleDriveTable::ConsoleDriveTable(DriveTable& machine, std::vector<DriveBinding> bindings)
    : machine_(machine), bindings_(std::move(bindings)) {}

std::vector<Drive> ConsoleDriveTable::drives() {
    std::vector<Drive> table = machine_.drives();
    for (const auto& binding : bindings_) {
        Drive drive;
        drive.letter = binding.letter;
        drive.directory = binding.directory;
        drive.floppy = isFloppyLetter(binding.letter);
        drive.removable = drive.floppy;
        const auto same = std::find_if(table.begin(), table.end(),
                                       [&](const Drive& d) { return d.letter == drive.letter; });
        if (same != table.end()) {
            *same = drive;
        } else {
            table.push_back(drive);
        }
    }
    std::stable_sort(table.begin(), table.end(),
                     [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return table;
}

bool ConsoleDriveTable::onRemovableMedium(const std::string& directory) {
    return DriveTable::onRemovableMedium(directory) || machine_.onRemovableMedium(directory);
}

}  // namespace roruvez

#include "support/disk_shelf.h"

namespace roruvez::testing {

namespace fs = std::filesystem;

void DiskShelf::takeOut() {
    fs::rename(drive_, disk(++disks_));
    fs::create_directory(drive_);
}

void DiskShelf::insert(int number) {
    fs::remove_all(drive_);
    fs::copy(disk(number), drive_, fs::copy_options::recursive);
}

std::function<std::optional<Answer>(const ShownBox&)> DiskShelf::takingOutAtEachPrompt() {
    return [this](const ShownBox&) -> std::optional<Answer> {
        if (!listDir(drive_).empty()) {
            takeOut();
        }
        return std::nullopt;
    };
}

fs::path DiskShelf::allInOne() {
    fs::path all = shelf_.path() / "all";
    for (int number = 1; number <= disks_; ++number) {
        fs::copy(disk(number), all,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    return all;
}

}  // namespace roruvez::testing

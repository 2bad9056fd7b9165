#include "fuzz_workspace.h"

namespace roruvez::fuzzing {

namespace fs = std::filesystem;

namespace {
constexpr const char* kOutsideName = "OUTSIDE.TXT";
constexpr const char* kOutsideBytes = "outside the work directory";
}  // namespace

Workspace::Workspace() {
    freeSpace.setFreeBytes(100000000);
    fs::create_directory(work());
    testing::writeFile((base_.path() / kOutsideName).string(), kOutsideBytes);
    reset();
}

void Workspace::reset() {
    for (const auto& entry : fs::directory_iterator(work())) {
        if (entry.path().filename() != kKeepName) {
            fs::remove_all(entry.path());
        }
    }
    testing::writeFile((work() / kKeepName).string(), kKeepBytes);
    surface.setText(Control::Text3, "");
    surface.clearHistory();
}

std::map<std::string, std::string> Workspace::contents() const {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::directory_iterator(work())) {
        const std::string name = entry.path().filename().string();
        entries[name] = entry.is_regular_file() && !entry.is_symlink()
                            ? testing::readFile(entry.path().string())
                            : std::string("directory");
    }
    return entries;
}

bool Workspace::outsideUntouched() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(base_.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names == std::vector<std::string>{kOutsideName, "work"} &&
           testing::readFile((base_.path() / kOutsideName).string()) == kOutsideBytes;
}

}  // namespace roruvez::fuzzing

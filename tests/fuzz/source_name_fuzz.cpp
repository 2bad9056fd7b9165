// Splits a source under any name a Linux directory can hold and joins the set back: whatever name
// the split accepts, the join restores the data exactly, under the name the split's question
// showed (the source's own name when it asked nothing).
//
// Input: the source's name, as bytes.

#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz_check.h"
#include "fuzz_workspace.h"
#include "join/join_driver.h"
#include "split/split_driver.h"

namespace {

using roruvez::Control;
using roruvez::fuzzing::Workspace;

constexpr const char* kQuestion = "The file will be saved and restored as: ";

// A name a directory can hold beside the pieces: a source named like a piece is refused by the
// output guard before anything is written, as it should be.
bool isFileName(const std::string& name) {
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name != Workspace::kKeepName && name.rfind("breldo.", 0) != 0 &&
           name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Workspace workspace;
    static const std::string bytes = roruvez::testing::patternBytes(3000, 11);
    const std::string name(reinterpret_cast<const char*>(data), size);
    if (!isFileName(name)) {
        return 0;
    }
    workspace.reset();
    const std::string source = (workspace.work() / name).string();
    roruvez::testing::writeFile(source, bytes);

    workspace.surface.setText(Control::Text2, "2000");
    workspace.state.FilePath = source;
    roruvez::SplitFile(workspace.state.FilePath, workspace.context);
    FUZZ_CHECK(workspace.surface.caption(Control::Label9) == "Done!", "the split failed");
    std::string shown = name;
    for (const std::string& prompt : workspace.surface.prompts()) {
        if (prompt.rfind(kQuestion, 0) == 0) {
            const std::size_t from = std::string(kQuestion).size();
            shown = prompt.substr(from, prompt.find("\r\n") - from);
        }
    }
    // A set that restores onto the kept file ("KEEP.ME " becomes "KEEP.ME") is the guard's to
    // refuse, not a broken promise.
    if (shown == Workspace::kKeepName) {
        return 0;
    }
    std::filesystem::remove(source);

    workspace.surface.clearHistory();
    workspace.surface.setEnabled(Control::Command3, true);
    workspace.state.FilePath = (workspace.work() / "breldo.1").string();
    roruvez::JoinFiles(workspace.state.FilePath, workspace.context);
    FUZZ_CHECK(workspace.surface.caption(Control::Label9) == "Done!", "the join refused the set");
    FUZZ_CHECK(workspace.surface.prompts().empty(), "the join warned about its own split's set");
    const auto contents = workspace.contents();
    const auto restored = contents.find(shown);
    FUZZ_CHECK(restored != contents.end(), "nothing restored under the name the question showed");
    FUZZ_CHECK(restored->second == bytes, "the restored file is not the source");
    FUZZ_CHECK(workspace.outsideUntouched(), "a job wrote outside its directory");
    return 0;
}

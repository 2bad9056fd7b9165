#include "files/named_outputs.h"

#include <utility>
#include <vector>

#include "platform/error.h"

namespace roruvez {

void ConfirmNamedOutputs(Context& context) {
    const std::vector<JobState::NamedOutput> named = std::exchange(context.state.Named, {});
    std::string lost;
    for (const JobState::NamedOutput& output : named) {
        const std::optional<FileStatus> found = context.platform.files.findAgain(output.name);
        if (!found) {
            lost += "\r\n" + output.name + ": " + error_text::kNamedOutputMissing;
        } else if (!found->sameFile(output.file)) {
            lost += "\r\n" + output.name + ": " + error_text::kNamedOutputTaken;
        } else if (!found->unchangedFrom(output.file)) {
            lost += "\r\n" + output.name + ": " + error_text::kNamedOutputChanged;
        }
    }
    if (!lost.empty()) {
        throw PlatformError(error_text::kNamedOutputsLost + lost);
    }
}

}  // namespace roruvez

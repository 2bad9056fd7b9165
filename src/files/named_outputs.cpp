#include "files/named_outputs.h"

#include <utility>
#include <vector>

#include "platform/error.h"
#include "state/failure_texts.h"

namespace roruvez {

void ConfirmNamedOutputs(Context& context) {
    const std::vector<NamedOutput> named = std::exchange(context.run().named, {});
    std::string lost;
    for (const NamedOutput& output : named) {
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

bool OutputsStillThere(Context& context, const std::string& prefix) {
    try {
        ConfirmNamedOutputs(context);
        return true;
    } catch (const PlatformError& lost) {
        endJob(context, JobOutcome::NotCompleted, prefix + lost.what());
        return false;
    }
}

}  // namespace roruvez

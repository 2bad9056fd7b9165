#include "files/target_dir.h"

#include "state/status_texts.h"
#include "text/text.h"

namespace roruvez {

std::int16_t ResolveTargetDir(const std::string& path, Context& context) {
    return trapFailures(context, [&]() -> std::int16_t {
        if (context.surface.checkValue(Control::Check1) == 1) {
            const std::string driveText = context.surface.currentDrive();
            const auto characters = splitCharacters(driveText);
            std::string drive;
            for (std::size_t i = 0; i < characters.size() && i < 2; ++i) {
                drive += characters[i];
            }
            context.state.TargetDir = drive;
            context.platform.files.pin(drive);
            return 0;
        }
        context.surface.showStatus(status_text::kTargetDirectory);
        const std::size_t lastSeparator = path.rfind('/');
        if (lastSeparator != std::string::npos) {
            context.state.TargetDir = path.substr(0, lastSeparator + 1);
        }
        context.platform.files.pin(context.state.TargetDir);
        return 0;
    });
}

}  // namespace roruvez

#include "files/output_guard.h"

#include "platform/paths.h"

namespace roruvez {

std::int16_t CheckOutputFile(const std::string& name, Context& context) {
    StatusSurface& surface = context.surface;
    surface.showStatus(name);
    surface.appendLog(name);
    for (;;) {
        try {
            // Any entry refuses the name: a hidden file, a directory or a dangling link would
            // otherwise be replaced or make the creation fail halfway.
            // The names guarded are built from padded fields; the file goes without the padding.
            if (context.platform.files.entryExists(withoutTrailingBlanks(name))) {
                surface.showStatus(name + " Exists or Disk Error!");
                return 1;
            }
            return 0;
        } catch (const std::exception&) {
            if (surface.checkValue(Control::Check1) == 1) {
                if (surface.messageBox("Verify the Disk.", Buttons::OkCancel, "Warning!") ==
                    Answer::Cancel) {
                    return 1;
                }
                continue;
            }
            // A directory that cannot be checked is not retried without end.
            surface.messageBox("Failed to write to Disk!", Buttons::Ok);
            return 1;
        }
    }
}

}  // namespace roruvez

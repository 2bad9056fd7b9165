#include "split/next_pieces.h"

#include <algorithm>

#include "files/drive_free_space.h"
#include "files/named_outputs.h"
#include "files/output_guard.h"
#include "format/piece_format.h"
#include "platform/drive_table.h"
#include "split/checksum_list.h"
#include "split/piece_writer.h"
#include "split/recovery_files.h"
#include "state/status_texts.h"

namespace roruvez {

namespace {

// Asks for the next disk once the one about to go out holds what the job named on it, and
// checks it has room for a whole piece (also before a shorter last one) and its list.
bool nextDiskHasRoom(const std::string& targetDir, int number, Context& context) {
    JobState& state = context.state;
    ConfirmNamedOutputs(context);
    context.surface.diskPrompt("Please Insert a Floppy Disk then press OK");
    context.platform.files.lookAgain();
    const std::int64_t listRoom =
        context.run().sums.checksums()
            ? checksumListBytes(number, state) + recoveryListBytes(context)
            : 0;
    if (DiskFreeBytes(targetDir, context) < state.PieceSize + listRoom) {
        context.surface.messageBox("No space on disk: " + targetDir, Buttons::Ok);
        return false;
    }
    return true;
}

}  // namespace

std::int16_t WriteNextPieces(const std::string& targetDir, Context& context) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    return trapFailures(context, [&]() -> std::int16_t {
        std::int16_t result = 0;
        surface.showStatus(status_text::kNextPieces);
        const int maxPieces = state.MaxPieces;
        const bool floppy = isFloppyDriveName(targetDir);
        for (int number = 2; number <= maxPieces; ++number) {
            if (floppy && !nextDiskHasRoom(targetDir, number, context)) {
                return 1;
            }
            surface.pumpEvents();
            const std::string piecePath = pieceName(targetDir, number);
            state.BytesLeft = state.SourceLen - state.BytesDone;
            const auto chunkLen =
                static_cast<std::int32_t>(std::min<std::int64_t>(state.PieceSize, state.BytesLeft));

            if (CheckOutputFile(piecePath, context) != 0) {
                surface.messageBox("Sorry:" + piecePath + " already exists or Disk Error: Exited!",
                                   Buttons::Ok);
                return 1;
            }
            // A list left on the disk by another set would be taken for this one's.
            if (floppy) {
                checkChecksumListNameFree(targetDir, context);
            }

            writePiece(piecePath, number, {}, chunkLen, state.BytesDone, context);

            state.BytesDone += chunkLen;
            if (state.BytesDone == state.SourceLen) {
                writeRecoveryFiles(targetDir, number, context);
            }
            listPiecesSoFar(targetDir, number, state.BytesDone == state.SourceLen, context);
            if (state.BytesDone == state.SourceLen) {
                if (floppy && !writeRecoveryDisks(targetDir, context)) {
                    return 1;
                }
                break;
            }
            if (number == maxPieces) {
                surface.messageBox(
                    "Sorry the max number of files is: " + std::to_string(maxPieces) +
                        " Process halted: Breldo not completed",
                    Buttons::Ok);
                surface.setLamp(kLightRed);
                result = 1;
                break;
            }
        }
        if (result == 0) {
            // The set is of one version of the source, the one its pieces were held to.
            checkSourceUnchanged(context);
        }
        state.closeAllFiles();
        surface.setLamp(kLightGreen);
        return result;
    });
}

}  // namespace roruvez

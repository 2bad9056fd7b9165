#include "split/first_piece.h"

#include "files/drive_free_space.h"
#include "files/output_guard.h"
#include "format/piece_format.h"
#include "platform/drive_table.h"
#include "split/checksum_list.h"
#include "split/piece_writer.h"
#include "split/recovery_files.h"
#include "state/status_texts.h"
#include "text/code_page.h"
#include "text/number_text.h"

namespace roruvez {

namespace {

// Asks for the disk and checks that it has room for a piece of this split's size, read from
// Text2 as the piece size is read below.
bool floppyHasRoom(const std::string& targetDir, Context& context) {
    StatusSurface& surface = context.surface;
    surface.diskPrompt("Please insert a Floppy Disk then press OK");
    context.platform.files.lookAgain();
    const std::int32_t wanted = pieceSizeOrDefault(readPieceSizeText(surface.text(Control::Text2)));
    const std::int64_t listRoom =
        context.run().request.checksums ? checksumListBytes(1, context.state) : 0;
    if (DiskFreeBytes(targetDir, context) < wanted + listRoom) {
        surface.messageBox("No space on disk: " + targetDir, Buttons::Ok);
        return false;
    }
    return true;
}

bool somethingToDo(Context& context) {
    const JobState& state = context.state;
    StatusSurface& surface = context.surface;
    if (state.PieceSize >= state.SourceLen || state.PieceSize < 0) {
        surface.setLamp(kLightGreen);
        surface.messageBox("Noting to do!\r\nThe source file filesize is: " +
                               std::to_string(state.SourceLen) + " Exited!",
                           Buttons::Ok);
        return false;
    }
    return true;
}

bool firstNameFree(const std::string& piecePath, Context& context) {
    if (CheckOutputFile(piecePath, context) != 0) {
        context.surface.messageBox("Sorry:" + piecePath + " already exists or Disk Error: Exited!",
                                   Buttons::Ok);
        context.state.closeAllFiles();
        return false;
    }
    return true;
}

// Settled before piece 1 is created, so that a refusal leaves no header-only piece.
bool pieceSizeSettled(Context& context) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    if (pieceSizeOrDefault(state.PieceSize) != state.PieceSize) {
        surface.setText(Control::Text2, kDefaultPieceSizeText);
        state.PieceSize = kDefaultPieceSize;
    }
    if (state.SourceLen < state.PieceSize) {
        surface.messageBox("Sorry no action on files less than 160 bytes!", Buttons::Ok);
        return false;
    }
    return true;
}

}  // namespace

std::int16_t WriteFirstPiece(const std::string& targetDir, Context& context) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    return trapFailures(context, [&]() -> std::int16_t {
        if (isFloppyDriveName(targetDir) && !floppyHasRoom(targetDir, context)) {
            return 1;
        }
        surface.showStatus(status_text::kFirstPiece);
        const std::string piecePath = pieceName(targetDir, 1);
        state.BytesDone = 0;
        state.PieceSize = readPieceSizeText(surface.text(Control::Text2));
        // A list beside the pieces is taken for theirs, so an old set's is refused with or
        // without checksums.
        if (!somethingToDo(context) || !firstNameFree(piecePath, context)) {
            return 1;
        }
        checkChecksumListNameFree(targetDir, context);
        if (!pieceSizeSettled(context)) {
            return 1;
        }
        startRecovery(targetDir, context);

        state.FirstDataLen = state.PieceSize - kHeaderLength;
        writePiece(piecePath, 1, toCodePage(state.HeaderText), state.FirstDataLen, 0, context);
        state.BytesDone = state.FirstDataLen;
        listPiecesSoFar(targetDir, 1, false, context);
        return 0;
    });
}

}  // namespace roruvez

#include "split/first_piece.h"

#include "files/drive_free_space.h"
#include "files/output_guard.h"
#include "format/piece_format.h"
#include "platform/code_page.h"
#include "platform/number_text.h"

namespace roruvez {

namespace {}  // namespace

std::int16_t WriteFirstPiece(const std::string& targetDir, Context& context) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    return trapFailures(context, [&]() -> std::int16_t {
        const bool floppy = isFloppyTarget(targetDir);
        if (floppy) {
            surface.diskPrompt("Please insert a Floppy Disk then press OK");
            // Room for a piece of this split's size, as the box will be read below.
            std::int32_t wanted = readNumberText(surface.text(Control::Text2));
            if (wanted >= 0 && wanted <= kHeaderLength) {
                wanted = kDefaultPieceSize;
            }
            if (DiskFreeBytes(targetDir, context) < wanted) {
                surface.messageBox("No space on disk: " + targetDir, Buttons::Ok);
                return 1;
            }
        }
        surface.setCaption(Control::Label9, "WFF");
        const std::string piecePath = pieceName(targetDir, 1);
        state.BytesDone = 0;
        state.PieceSize = readNumberText(surface.text(Control::Text2));

        if (state.PieceSize >= state.SourceLen || state.PieceSize < 0) {
            surface.setBackColour(Control::Label3, kLightGreen);
            surface.messageBox("Noting to do!\r\nThe source file filesize is: " +
                                   std::to_string(state.SourceLen) + " Exited!",
                               Buttons::Ok);
            surface.setCaption(Control::Label9, "Not completed!");
            return 1;
        }

        if (CheckOutputFile(piecePath, context) != 0) {
            surface.messageBox("Sorry:" + piecePath + " already exists or Disk Error: Exited!",
                               Buttons::Ok);
            surface.setCaption(Control::Label9, "Not completed!");
            state.closeAllFiles();
            return 1;
        }

        // Settled before piece 1 is created, so that a refusal leaves no header-only piece.
        if (state.PieceSize <= kHeaderLength) {
            surface.setText(Control::Text2, kDefaultPieceSizeText);
            state.PieceSize = kDefaultPieceSize;
        }
        if (state.SourceLen < state.PieceSize) {
            surface.messageBox("Sorry no action on files less than 160 bytes!", Buttons::Ok);
            return 1;
        }

        state.File2 = context.platform.files.createNew(piecePath);
        const std::string header = toCodePage(state.HeaderText);
        state.File2->write(reinterpret_cast<const std::byte*>(header.data()), header.size());

        state.FirstDataLen = state.PieceSize - kHeaderLength;
        state.File1 = context.platform.files.openRead(state.SourcePath);
        state.File1->copyTo(
            *state.File2, state.FirstDataLen, state.Buffer,
            copyProgress(context, piecePath, 1, {kHeaderLength, 0, state.SourceLen}));
        if (floppy) {
            // On the disk before the user is asked to take it out.
            state.File2->sync();
        }
        state.File2->close();
        state.File2.reset();

        state.BytesDone = state.FirstDataLen;
        return 0;
    });
}

}  // namespace roruvez

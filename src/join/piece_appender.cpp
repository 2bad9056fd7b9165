#include "join/piece_appender.h"

#include <cerrno>

#include "files/drive_free_space.h"
#include "format/piece_format.h"
#include "platform/error.h"
#include "platform/paths.h"

namespace roruvez {

namespace {

constexpr const char* kNoData = "The piece holds no data";
constexpr const char* kInterrupted = "Another job closed the files of this one";
constexpr int kTemporaryAttempts = 1000;

// A fresh hidden name in the target directory, created exclusively so nothing is clobbered.
std::string createTemporary(const std::string& targetDir, Context& context) {
    for (int attempt = 1;; ++attempt) {
        std::string name = targetDir + ".roruvez-join-" + std::to_string(attempt) + ".part";
        try {
            context.state.File2 = context.platform.files.createNew(name);
            return name;
        } catch (const PlatformError& error) {
            if (error.errnum() != EEXIST || attempt == kTemporaryAttempts) {
                throw;
            }
        }
    }
}

// The data bytes of a piece: all of it, or all after the header for piece 1.
std::int64_t dataLength(const std::string& piecePath, int number, Context& context) {
    std::int64_t length = context.platform.files.fileLength(piecePath);
    if (number == 1) {
        length -= kHeaderLength;
    }
    if (length < 1) {
        throw PlatformError(kNoData, piecePath);
    }
    return length;
}

// Lets the window run; a job started meanwhile would have closed this one's files.
void pumpEvents(Context& context, bool reading) {
    context.surface.pumpEvents();
    if (!context.state.File2 || (reading && !context.state.File1)) {
        throw PlatformError(kInterrupted);
    }
}

}  // namespace

std::string restoredName(const std::string& targetDir, const std::string& origName) {
    return withoutTrailingBlanks(targetDir + origName);
}

std::int16_t AppendPieces(const std::string& targetDir, Context& context, std::string& failure) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    FileSystem& files = context.platform.files;
    failure.clear();
    surface.setCaption(Control::Label9, "FA:" + targetDir);

    std::string& temporary = state.UnfinishedOutput;
    temporary.clear();
    std::string doing;
    try {
        const std::string outPath = restoredName(targetDir, state.PieceHeader.OrigName);
        surface.setBackColour(Control::Label3, kLightRed);

        doing = "Creating " + outPath;
        temporary = createTemporary(targetDir, context);

        // The bound is taken once, before the first piece.
        const int pieceCount = state.PieceCount;
        std::int64_t joined = 0;
        for (int number = 1; number == 1 || number <= pieceCount; ++number) {
            const std::string piecePath = pieceName(targetDir, number, state.PieceBaseName);
            doing = "Opening " + piecePath;
            // Found by name, so never through a link: it could lead anywhere the user may not go.
            state.File1 = files.openRead(piecePath, FileSystem::Links::Refuse);
            surface.setCaption(Control::Label9, piecePath);
            surface.appendLog(piecePath);

            doing = "Reading " + piecePath;
            // Measured before the events run, so a piece that shrinks meanwhile reads short.
            const std::int64_t length = dataLength(piecePath, number, context);
            if (number == 1) {
                pumpEvents(context, true);
                // The header is consumed, not copied.
                state.Buffer.resize(kHeaderLength);
                state.File1->readExact(state.Buffer.data(), state.Buffer.size());
            }
            try {
                const CopyStart start{number == 1 ? kHeaderLength : 0, joined, state.TotalBytes};
                state.File1->copyTo(*state.File2, length, state.Buffer,
                                    copyProgress(context, piecePath, number, start));
            } catch (const PlatformError& error) {
                if (error.path() == state.File2->path()) {
                    doing = "Writing " + outPath;
                }
                throw;
            }
            joined += length;
            state.File1->close();
            state.File1.reset();
            if (number > 1) {
                pumpEvents(context, false);
            }
        }

        doing = "Writing " + outPath;
        if (isFloppyTarget(targetDir)) {
            state.File2->sync();
        }
        state.File2->close();
        state.File2.reset();
        doing = "Moving the joined file to " + outPath;
        files.renameNoReplace(temporary, outPath);
        temporary.clear();

        surface.setBackColour(Control::Label3, kLightGreen);
        return 0;
    } catch (const std::exception& error) {
        failure = doing + ": " + error.what();
        state.File1.reset();
        state.File2.reset();
        if (!temporary.empty()) {
            try {
                files.removeFile(temporary);
            } catch (const std::exception& leftOver) {
                failure += std::string("\r\nThe unfinished copy ") + temporary +
                           " could not be removed: " + leftOver.what();
            }
            temporary.clear();
        }
        return 1;
    }
}

void discardUnfinishedOutput(Context& context) {
    std::string& temporary = context.state.UnfinishedOutput;
    if (temporary.empty()) {
        return;
    }
    try {
        context.platform.files.removeFile(temporary);
    } catch (const std::exception&) {
        // Gone already, or the disk is gone: nothing more can be done on the way out.
    }
    temporary.clear();
}

}  // namespace roruvez

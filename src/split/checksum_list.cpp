#include "split/checksum_list.h"

#include <optional>

#include "files/drive_free_space.h"
#include "files/output_guard.h"
#include "format/checksum_file.h"
#include "format/piece_format.h"
#include "platform/drive_table.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "text/code_page.h"

namespace roruvez {

namespace {

// The name a join restores: the header's name field, read as the join reads it.
std::string restoredFileName(const JobState& state) {
    const std::string header = toCodePage(state.HeaderText);
    return withoutTrailingBlanks(fromCodePage(headerField(header, HeaderField::FileName)));
}

// The source's own name, kept beside the one the header records when the 8.3 rule changed it.
std::optional<std::string> keptLongName(const JobState& state) {
    if (state.LongName == restoredFileName(state) || !isKeepableLongName(state.LongName)) {
        return std::nullopt;
    }
    return state.LongName;
}

std::string listText(int pieces, bool complete, Context& context) {
    PieceSums& sums = context.run().sums;
    std::string text;
    for (int number = 1; number <= pieces; ++number) {
        text += checksumLine(sums.pieceDigest(number), pieceName("", number));
    }
    if (complete) {
        for (const auto& [name, digest] : context.run().recoveryDigests) {
            text += checksumLine(digest, name);
        }
        const std::string digest = sums.sourceDigest();
        text += checksumLine(digest, restoredFileName(context.state));
        if (const auto longName = keptLongName(context.state)) {
            text += checksumLine(digest, *longName);
        }
    }
    return text;
}

// The same disk is still in the drive, with the list this job named on it.
bool ownListThere(const std::string& listPath, Context& context) {
    const auto& own = context.run().ownChecksumList;
    if (!own || own->name != listPath) {
        return false;
    }
    try {
        const auto found = context.platform.files.findFile(listPath);
        return found && found->unchangedFrom(own->file);
    } catch (const std::exception&) {
        return false;  // the check of the name says what is wrong with the disk
    }
}

}  // namespace

std::int64_t checksumListBytes(int pieces, const JobState& state) {
    const auto line = [](const std::string& name) {
        return static_cast<std::int64_t>(
            checksumLine(std::string(kHexDigestLength, '0'), name).size());
    };
    const auto longName = keptLongName(state);
    return pieces * line(pieceName("", pieces)) + line(restoredFileName(state)) +
           (longName ? line(*longName) : 0);
}

void checkChecksumListNameFree(const std::string& targetDir, Context& context) {
    const std::string listPath = targetDir + kChecksumFileName;
    if (ownListThere(listPath, context)) {
        context.surface.appendLog(listPath);
        return;
    }
    // A list this split does not write is not logged as one it does; the piece's own check has
    // just reached the directory.
    const bool free = context.run().request.checksums
                          ? CheckOutputFile(listPath, context) == 0
                          : !context.platform.files.entryExists(listPath);
    if (!free) {
        throw PlatformError("Sorry:" + listPath + " already exists or Disk Error: Exited!");
    }
}

void listPiecesSoFar(const std::string& targetDir, int pieces, bool complete, Context& context) {
    JobState& state = context.state;
    JobRun& run = context.run();
    if (!run.sums.checksums() || (!complete && !isFloppyDriveName(targetDir))) {
        return;
    }
    const std::string listPath = targetDir + kChecksumFileName;
    const std::string text = listText(pieces, complete, context);
    try {
        // The list it replaces goes first, as an output never takes a name that exists. Until
        // the new one is named the disk has no list, but every piece on it is whole.
        if (run.ownChecksumList && run.ownChecksumList->name == listPath) {
            context.platform.files.removeIfUnchanged(listPath, run.ownChecksumList->file);
            run.ownChecksumList.reset();
        }
        state.File2 = context.platform.files.createOutput(listPath);
        state.File2->write(reinterpret_cast<const std::byte*>(text.data()), text.size());
        const FileStatus named = state.File2->publish(pumpWhileWaiting(context));
        state.File2.reset();
        run.named.push_back({listPath, named});
        run.ownChecksumList = NamedOutput{listPath, named};
    } catch (...) {
        state.failOutput();
    }
}

}  // namespace roruvez

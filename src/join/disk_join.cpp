#include "join/disk_join.h"

#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

#include "checks/sha256.h"
#include "files/named_outputs.h"
#include "files/output_guard.h"
#include "format/checksum_file.h"
#include "format/piece_format.h"
#include "join/checksum_check.h"
#include "join/recovery_disks.h"
#include "platform/drive_table.h"
#include "platform/error.h"
#include "platform/free_space.h"
#include "platform/paths.h"
#include "state/failure_texts.h"

namespace roruvez {

namespace {

// The set as piece 1 and the header describe it: every piece but the last as long as piece 1.
struct DiskSet {
    std::string targetDir;
    std::string baseName;
    std::int64_t pieceLength = 0;
    std::int64_t size = 0;
    int count = 0;

    std::int64_t lengthOf(int number) const {
        return number < count ? pieceLength : size + kHeaderLength - (count - 1) * pieceLength;
    }
    std::string piece(int number) const { return pieceName(targetDir, number, baseName); }
};

// A disk that does not hold the piece asked for; what says why goes with the next prompt.
struct WrongDisk : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct Cancelled {};

constexpr const char* kSkipLine =
    "\r\nor Skip to go on without it: its piece is rebuilt at the end from the set's recovery "
    "disks.";

// A floppy letter's name, or a path in the directory a floppy drive's disk is mounted on.
bool onFloppy(const std::string& name, Context& context) {
    const auto letter = driveLetterOf(name);
    if (letter) {
        return isFloppyDriveName(std::string{*letter, ':'});
    }
    for (const Drive& drive : context.platform.drives.drives()) {
        if (drive.floppy && !drive.directory.empty() &&
            (name == drive.directory || name.starts_with(drive.directory + "/"))) {
            return true;
        }
    }
    return false;
}

std::optional<DiskSet> diskSetOf(const std::string& firstPiece, const std::string& targetDir,
                                 Context& context) {
    const auto size = readSizeField(context.state.PieceHeader.OrigSize);
    const auto first = context.platform.files.findFile(firstPiece);
    if (!size || !first || first->length <= kHeaderLength) {
        return std::nullopt;
    }
    DiskSet set{targetDir, context.state.PieceBaseName, first->length, *size, 1};
    const std::int64_t pieces = (*size + first->length - 1 + kHeaderLength) / first->length;
    set.count = static_cast<int>(std::min<std::int64_t>(pieces, kMaxPieces + 1));
    return set;
}

// Whether the disk in the drive has its own list, and its digests agree with the pieces read;
// the list of the last disk may keep the file's long name.
void checkAgainstList(const DiskSet& set, int number, const std::string& digest,
                      const std::map<int, std::string>& read, Context& context) {
    const std::string listPath = set.targetDir + checksumFileName(set.baseName);
    FileSystem& files = context.platform.files;
    if (!files.entryExists(listPath)) {
        return;
    }
    const std::string text = checksumListText(listPath, files);
    const auto listed = readChecksumFile(text, [number](std::string_view name) {
        const auto listedNumber = pieceNumberOf(name);
        return listedNumber && *listedNumber <= number;
    });
    if (!listed) {
        throw WrongDisk(listPath + ": " + error_text::kNotChecksumList);
    }
    bool hasThis = false;
    for (const auto& [name, listedDigest] : *listed) {
        const int listedNumber = *pieceNumberOf(name);
        if (listedNumber == number) {
            hasThis = true;
            if (listedDigest != digest) {
                throw WrongDisk(set.piece(number) + " differs from its checksum in " + listPath +
                                ": the disk may be bad.");
            }
        } else if (read.contains(listedNumber) && read.at(listedNumber) != listedDigest) {
            throw WrongDisk(listPath +
                            " lists other pieces than those read: the disk is of "
                            "another set.");
        } else if (!read.contains(listedNumber)) {
            // A skipped piece, rebuilt at the end, is checked against it.
            context.run().listedDigests[listedNumber] = listedDigest;
        }
    }
    if (!hasThis) {
        throw WrongDisk(listPath + " has no line for " + set.piece(number) +
                        ": the disk is of another set.");
    }
    if (number == set.count) {
        context.run().longName =
            keptLongName(text, withoutTrailingBlanks(context.state.PieceHeader.OrigName));
    }
}

// The piece on the disk in the drive, whole and checked, with its digest.
std::vector<std::byte> readPiece(const DiskSet& set, int number, const std::string& path,
                                 std::map<int, std::string>& read, Context& context) {
    FileSystem& files = context.platform.files;
    std::vector<std::byte> bytes;
    std::string digest;
    try {
        const auto found = files.findFile(path);
        if (!found) {
            throw WrongDisk(path + " is not on this disk.");
        }
        const std::int64_t length = set.lengthOf(number);
        if (found->length != length) {
            throw WrongDisk(path + " on this disk holds " + std::to_string(found->length) +
                            " bytes, not the " + std::to_string(length) + " of piece " +
                            std::to_string(number) + " of this set.");
        }
        // Found by name, so never through a link.
        const auto file = files.openRead(path, FileSystem::Links::Refuse);
        bytes.resize(static_cast<std::size_t>(length));
        file->readExact(bytes.data(), bytes.size());
        if (file->status().length != length) {
            throw WrongDisk(path + ": " + error_text::kPieceChanged);
        }
        file->close();
        Sha256 sum;
        sum.add(bytes.data(), bytes.size());
        digest = sum.finish();
        checkAgainstList(set, number, digest, read, context);
    } catch (const PlatformError& failure) {
        throw WrongDisk(path + " cannot be read: " + failure.what());
    }
    read[number] = digest;
    return bytes;
}

// Asks for the disk with the piece until it is in the drive, giving the reason each time a
// disk is not taken; once one was not, the piece may be skipped (nothing returned).
std::optional<std::vector<std::byte>> askForPiece(const DiskSet& set, int number,
                                                  std::map<int, std::string>& read,
                                                  Context& context) {
    std::string why;
    for (;;) {
        const std::string prompt =
            (why.empty() ? "" : why + "\r\n") + "Please Insert the Floppy Disk with " +
            pieceName("", number, set.baseName) + " (disk " + std::to_string(number) + " of " +
            std::to_string(set.count) + ") then press OK" + (why.empty() ? "" : kSkipLine);
        const Answer answer = context.surface.messageBox(
            prompt, why.empty() ? Buttons::OkCancel : Buttons::OkSkipCancel);
        if (answer == Answer::Cancel) {
            throw Cancelled{};
        }
        if (answer == Answer::Skip) {
            context.surface.appendLog(set.piece(number) + ": skipped, to be rebuilt");
            return std::nullopt;
        }
        context.platform.files.lookAgain();
        try {
            return readPiece(set, number, set.piece(number), read, context);
        } catch (const WrongDisk& wrong) {
            why = wrong.what();
        }
    }
}

// The folder the file goes to, as a prefix; empty when none was given or chosen.
std::string restoreFolder(Context& context) {
    std::string folder = context.run().request.into;
    if (folder.empty()) {
        folder = context.surface.chooseFolder(
            "Where should the file be restored? Not on the floppy disks");
    }
    const bool drive = folder.size() == 2 && driveLetterOf(folder);
    if (!folder.empty() && !drive && !folder.ends_with('/')) {
        folder += '/';
    }
    return folder;
}

// Throws, saying why, unless the folder may take the whole file.
void checkFolder(const std::string& folder, const DiskSet& set, Context& context) {
    FileSystem& files = context.platform.files;
    if (!files.isDirectory(folder)) {
        throw PlatformError(folder + " is not a folder.", folder);
    }
    if (onFloppy(folder, context)) {
        throw PlatformError(std::string(error_text::kOntoTheDisks) + folder, folder);
    }
    const DiskCounts counts = context.platform.freeSpace.query(folder);
    const std::int64_t free =
        std::int64_t{counts.freeClusters} * counts.sectorsPerCluster * counts.bytesPerSector;
    if (free < set.size) {
        throw PlatformError("Not enough free space in " + folder + ": the file needs " +
                                std::to_string(set.size) + " bytes, and " + std::to_string(free) +
                                " are free.",
                            folder);
    }
}

void copyPieces(const DiskSet& set, const std::string& firstPiece, Context& context) {
    JobState& state = context.state;
    std::map<int, std::string> read;
    std::set<int> skipped;
    for (int number = 1; number <= set.count; ++number) {
        std::vector<std::byte> bytes;
        if (number == 1) {
            try {
                bytes = readPiece(set, 1, firstPiece, read, context);
            } catch (const WrongDisk& wrong) {
                throw PlatformError(wrong.what(), firstPiece);
            }
            if (std::string_view(reinterpret_cast<const char*>(bytes.data()), kHeaderLength) !=
                state.CheckedHeader) {
                throw PlatformError(error_text::kPieceChanged, firstPiece);
            }
        } else if (auto piece = askForPiece(set, number, read, context)) {
            bytes = std::move(*piece);
        } else {
            // Zeros hold its place until it is rebuilt.
            skipped.insert(number);
            bytes.resize(static_cast<std::size_t>(set.lengthOf(number)));
            state.File2->write(bytes.data(), bytes.size());
            continue;
        }
        const std::string path = number == 1 ? firstPiece : set.piece(number);
        context.surface.showStatus(path);
        context.surface.appendLog(path);
        const std::size_t from = number == 1 ? kHeaderLength : 0;
        state.File2->write(bytes.data() + from, bytes.size() - from);
        context.surface.pumpEvents();
        if (!state.File2) {
            throw PlatformError(error_text::kInterrupted);
        }
    }
    if (skipped.empty()) {
        return;
    }
    std::vector<std::int64_t> lengths;
    for (int number = 1; number <= set.count; ++number) {
        lengths.push_back(set.lengthOf(number));
    }
    if (!rebuildFromRecoveryDisks(set.targetDir, lengths, skipped, context)) {
        throw Cancelled{};
    }
}

}  // namespace

bool joinsDiskByDisk(const std::string& firstPiece, const std::string& targetDir,
                     Context& context) {
    if (!onFloppy(targetDir, context)) {
        return false;
    }
    try {
        const auto set = diskSetOf(firstPiece, targetDir, context);
        // Recovery data beside piece 1 rebuilds a missing piece 2 where the set lies.
        FileSystem& files = context.platform.files;
        return set && set->count > 1 && !files.findFile(set->piece(2)) &&
               !files.entryExists(targetDir + set->baseName + "par2");
    } catch (const PlatformError&) {
        return false;  // the join as it always was says what is wrong
    }
}

std::int16_t JoinFromDisks(const std::string& firstPiece, const std::string& targetDir,
                           Context& context) {
    JobState& state = context.state;
    JobRun& run = context.run();
    std::optional<DiskSet> set;
    std::string folder;
    try {
        set = diskSetOf(firstPiece, targetDir, context);
        if (!set || set->count > kMaxPieces) {
            throw PlatformError(error_text::kOverflow, firstPiece);
        }
        folder = restoreFolder(context);
        if (folder.empty()) {
            endJob(context, JobOutcome::NotCompleted, error_text::kFolderNeeded);
            return 0;
        }
        checkFolder(folder, *set, context);
    } catch (const std::exception& failure) {
        endJob(context, JobOutcome::NotCompleted, failure.what());
        return 0;
    }
    context.platform.files.pin(folder);
    const std::string origName = state.PieceHeader.OrigName;
    if (CheckOutputFile(folder + origName, context) != 0) {
        context.surface.messageBox("Sorry:" + origName + " already exists or Disk Error: exited!",
                                   Buttons::Ok);
        endJob(context, JobOutcome::NotCompleted);
        return 0;
    }
    std::string restored = withoutTrailingBlanks(folder + origName);
    try {
        state.File2 = context.platform.files.createOutput(restored);
        copyPieces(*set, firstPiece, context);
        // The last disk's list may keep the long name; a file under it stays, and the file keeps
        // the short name, checked free at the start.
        if (run.longName && !context.platform.files.entryExists(folder + *run.longName)) {
            restored = folder + *run.longName;
            state.File2->nameAs(*run.longName);
        }
        run.named.push_back({restored, state.File2->publish(pumpWhileWaiting(context))});
        state.File2.reset();
    } catch (const Cancelled&) {
        (void)state.discardOutput();
        endJob(context, JobOutcome::NotCompleted, error_text::kDiskJoinCancelled);
        return 0;
    } catch (const std::exception& failure) {
        (void)state.discardOutput();
        endJob(context, JobOutcome::NotCompleted,
               "Error joining files into: " + restored + "\r\n" + failure.what() +
                   "\r\nNo file was written under this name.");
        return 0;
    }
    if (!OutputsStillThere(context, "Error joining files into: " + restored + "\r\n")) {
        return 0;
    }
    if (restored != withoutTrailingBlanks(folder + origName)) {
        context.surface.appendLog(restored);
    }
    endJob(context, JobOutcome::Done);
    context.surface.setEnabled(Control::Command3, false);
    return 0;
}

}  // namespace roruvez

#pragma once

namespace roruvez {

// What a job's boxes say of its own checks: the system's own words, beside the status line's
// (status_texts.h). What the machine says of a failed call is the platform's (platform/error.h).
namespace error_text {
// After the source's name.
inline constexpr const char* kChangedWhileSplit = " changed while it was split";
inline constexpr const char* kPieceChanged = "The piece changed while it was joined";
inline constexpr const char* kNoData = "The piece holds no data";
// A job started during this one's events closed its files.
inline constexpr const char* kInterrupted = "Another job closed the files of this one";
// A file the job wrote and named, looked for again before the job ends.
inline constexpr const char* kNamedOutputsLost =
    "Files this job wrote are no longer as it left them:";
inline constexpr const char* kNamedOutputMissing = "it is no longer there";
inline constexpr const char* kNamedOutputTaken = "another file stands under its name";
inline constexpr const char* kNamedOutputChanged = "another program has changed it";
// Followed by the source's size, then kSourceLimit, the largest size in digits and " bytes".
inline constexpr const char* kSourceTooLarge = "Too large: the file holds ";
inline constexpr const char* kSourceLimit = " bytes, and a piece set records at most ";
inline constexpr const char* kReadBackDiffers =
    "The piece reads back from the disk other than it was written: the disk may be bad";
// Followed by the folder chosen.
inline constexpr const char* kOntoTheDisks =
    "The file cannot be restored onto the floppy disks being joined: choose a folder on another "
    "drive, not ";
inline constexpr const char* kFolderNeeded =
    "The pieces are on floppy disks, one a disk: the file is restored into a folder on another "
    "drive, and none was chosen (roruvez-cli: --into DIR).";
inline constexpr const char* kDiskJoinCancelled =
    "The join from floppy disks was cancelled: no file was written.";
inline constexpr const char* kNotChecksumList =
    "Not a checksum list: lines of 64 hex digits, two blanks and a name, at most 4 MiB";
// Followed by the pieces, one to a line; each logged with the note after it.
inline constexpr const char* kPiecesDamaged =
    "These pieces differ from their checksums; the disk they came from may be bad:";
inline constexpr const char* kPieceDamagedNote = "differs from its checksum";
inline constexpr const char* kPiecesUnlisted =
    "These pieces have no line in it, so they cannot be checked:";
inline constexpr const char* kPieceUnlistedNote = "has no line in the checksum list";
inline constexpr const char* kJoinsUnchecked = "Without the list the set joins unchecked.";
inline constexpr const char* kEmptyPiece =
    "The piece is empty: a job that was interrupted leaves this under a piece's name";
inline constexpr const char* kRecoveryTooLarge =
    "Recovery data was asked for more pieces than the set has: ";
inline constexpr const char* kRecoveryOnFloppy =
    "Recovery data for a floppy set is made as its pieces are copied and held in memory until "
    "its own disks come; 64 MiB holds less than the recovery data asked for: ";
// Followed by the reason.
inline constexpr const char* kRecoveryNotUsed = "The recovery data beside the pieces is not used: ";
// Followed by the pieces, one to a line; each logged with the note after it.
inline constexpr const char* kPiecesNotRebuilt =
    "These pieces are missing or damaged, and the recovery data cannot rebuild them all:";
inline constexpr const char* kPieceLostNote = "missing or damaged";
inline constexpr const char* kPiecesRebuilt =
    "These pieces were missing or damaged and have been rebuilt from the recovery data; the "
    "disks they came from may be bad:";
inline constexpr const char* kPieceRebuiltNote = "rebuilt from the recovery data";
inline constexpr const char* kRebuiltDiffers =
    "A piece rebuilt from the recovery data does not match its checksum";
}  // namespace error_text

}  // namespace roruvez

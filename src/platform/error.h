#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace roruvez {

// Descriptions for failures that are not system calls. The user sees these texts.
namespace error_text {
inline constexpr const char* kOverflow = "Overflow";
inline constexpr const char* kTypeMismatch = "Type mismatch";
inline constexpr const char* kDriveNotReady = "Drive not ready";
inline constexpr const char* kInputPastEnd = "Input past end of file";
inline constexpr const char* kBadFileName = "Bad file name";
inline constexpr const char* kPathNotFound = "Path not found";
inline constexpr const char* kNotAFile = "Not an ordinary file";
inline constexpr const char* kDirectoryChanged =
    "The disk or directory is no longer the one the job began on";
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
// Followed by where it stands.
inline constexpr const char* kReservationLeft =
    "The empty file that held the name for this job could not be removed: ";
inline constexpr const char* kNoWorkingDirectory = "the working directory cannot be read";
}  // namespace error_text

// A failed platform operation. what() is the description shown to the user; the errno (0 for
// our own failures) and the path are kept for tests and logs.
class PlatformError : public std::runtime_error {
  public:
    PlatformError(int errnum, std::string path);
    explicit PlatformError(const std::string& description, std::string path = {});

    int errnum() const { return errnum_; }
    const std::string& path() const { return path_; }

  private:
    int errnum_ = 0;
    std::string path_;
};

// A failure that concerns pieces, each named: a box lists the first few of them (a box must fit
// the screen), and the job's log all of them, each with the note.
class PiecesFailure : public PlatformError {
  public:
    PiecesFailure(const std::string& description, std::vector<std::string> pieces,
                  std::string note);
    const std::vector<std::string>& pieces() const { return pieces_; }
    const std::string& note() const { return note_; }

    // The pieces one to a line, each after a line break, at most kShownInBox of them.
    static std::string boxList(const std::vector<std::string>& pieces);
    static constexpr std::size_t kShownInBox = 10;

  private:
    std::vector<std::string> pieces_;
    std::string note_;
};

std::string describeErrno(int errnum);

[[noreturn]] void throwErrno(int errnum, const std::string& path);

}  // namespace roruvez

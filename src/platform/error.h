#pragma once

#include <exception>
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
// Followed by where it stands.
inline constexpr const char* kReservationLeft =
    "The empty file that held the name for this job could not be removed: ";
inline constexpr const char* kSumFailed = "libcrypto could not compute a SHA-256";
inline constexpr const char* kNoWorkingDirectory = "the working directory cannot be read";
}  // namespace error_text

// How any step of a job fails, whatever failed: a system call (its errno and the path) or a
// check of the job's own. The description is the cause; as the failure goes up, what the job
// was doing, the pieces it concerns and what it leaves behind are added, and what() puts them
// together, once, for the box: "doing: cause", the pieces (the first kShownInBox of them), a last
// word on them, then each file left behind on a line of its own.
class PlatformError : public std::exception {
  public:
    PlatformError(int errnum, std::string path);
    explicit PlatformError(std::string description, std::string path = {});

    const char* what() const noexcept override { return text_.c_str(); }
    int errnum() const { return errnum_; }
    const std::string& path() const { return path_; }

    PlatformError& during(const std::string& doing);
    // The job's log lists every piece, each followed by ": " and note.
    PlatformError& concerning(std::vector<std::string> pieces, std::string note,
                              std::string lastWord = {});
    PlatformError& leaving(const std::string& leftOver);

    const std::vector<std::string>& pieces() const { return pieces_; }
    const std::string& pieceNote() const { return pieceNote_; }

    static constexpr std::size_t kShownInBox = 10;

  private:
    void compose();

    int errnum_ = 0;
    std::string path_;
    std::string cause_;
    std::string doing_;
    std::vector<std::string> pieces_;
    std::string pieceNote_;
    std::string lastWord_;
    std::vector<std::string> leftOver_;
    std::string text_;
};

std::string describeErrno(int errnum);

[[noreturn]] void throwErrno(int errnum, const std::string& path);

}  // namespace roruvez

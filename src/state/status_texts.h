#pragma once

namespace roruvez {

// The status line's texts (Label9), the system's own, with the step each one marks. Some are
// followed at once by the name the step works on. Every step that shows a file it checks or
// opens (a piece name, the restored name) shows that name alone.
namespace status_text {
// A split begins; the chosen file's path follows.
inline constexpr const char* kSplitBegins = "Breldo:";
// The source's name is made an 8.3 short name, asking first if it changes; the path follows.
inline constexpr const char* kShortName = "SFN:";
// The directory the job writes to (next to the file, or the chosen drive) is settled.
inline constexpr const char* kTargetDirectory = "KCD";
// The source is measured and piece 1's header built; the short name follows.
inline constexpr const char* kHeader = "BH: ";
// Piece 1 is about to be written, after the first disk's prompt on a floppy.
inline constexpr const char* kFirstPiece = "WFF";
// Pieces 2, 3, ... are written.
inline constexpr const char* kNextPieces = "Creating files..";
// A join begins.
inline constexpr const char* kJoinBegins = "BRELDO -R";
// The join counts the pieces and adds up their sizes.
inline constexpr const char* kCountingPieces = "Checking Files...";
// The join appends the pieces to the restored file; the directory follows.
inline constexpr const char* kAppending = "FA:";
// How every job ends.
inline constexpr const char* kDone = "Done!";
inline constexpr const char* kNotCompleted = "Not completed!";
}  // namespace status_text

}  // namespace roruvez

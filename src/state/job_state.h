#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "format/piece_format.h"
#include "platform/file_system.h"

namespace roruvez {

// The header of piece 1 as a join reads it back: its fields (format/piece_format.h), padding
// included.
struct PieceHeaderRecord {
    std::string Banner;
    std::string Title;
    std::string EndMark;
    std::string Maker;
    std::string OrigName;
    std::string OrigSize;
    std::string Stamp;
};

// How the last job ended. A job is not completed until its last step says it is done. A join
// whose pieces do not add up to the size its header records restores what they hold all the same
// (it may be all a user can recover), but is not done: Mismatched.
enum class JobOutcome { NotCompleted, Mismatched, Done };

// Everything that carries a split or a join from step to step. Nothing resets it between jobs:
// each job overwrites the fields it uses.
struct JobState {
    std::string FilePath;
    std::int64_t SourceLen = 0;
    // The source as the split measured it, for every piece to be held to.
    FileStatus SourceStatus;
    std::int64_t BytesDone = 0;
    std::int64_t BytesLeft = 0;
    std::int32_t PieceSize = 0;
    std::int32_t FirstDataLen = 0;
    CopyBuffer Buffer;
    std::string LongName;
    std::string ShortName;
    std::string TargetDir;
    std::int16_t MaxPieces = kMaxPieces;
    std::string SourcePath;
    std::string HeaderText;
    std::string HdrBanner;
    std::string HdrTitle;
    std::string HdrMaker;
    std::string HdrFileName;
    std::string HdrFileSize;
    std::string HdrStamp;
    PieceHeaderRecord PieceHeader;
    std::int16_t PieceCount = 0;
    std::int64_t TotalBytes = 0;

    // What the front ends report: the job's outcome, not its last caption.
    JobOutcome Outcome = JobOutcome::NotCompleted;
    // A job is not completed until it ends otherwise, and its copies start from the first block
    // size, whatever medium the last job's copies ran on.
    void startJob() {
        Outcome = JobOutcome::NotCompleted;
        Buffer.blockSize = kCopyBlock;
    }
    // A join whose pieces do not add up to the size in the header, which it restores all the same.
    bool SizeMismatch = false;

    // What a join checked, for the copy to hold the pieces to: the header of the chosen piece 1
    // as read, and each piece as counted.
    std::string CheckedHeader;
    std::vector<FileStatus> CountedPieces;

    // When a long copy or a wait on the medium last let the events run; one clock for all the
    // job's pieces, so the gap around a piece's end is no longer than the rest.
    std::chrono::steady_clock::time_point LastCopyPump = std::chrono::steady_clock::now();

    // How a join's set spells the common part of its piece names ("breldo." or "BRELDO.").
    std::string PieceBaseName = kPieceBaseName;

    // File number 1 is the stream being read, file number 2 the stream being written.
    std::unique_ptr<OpenFile> File1;
    std::unique_ptr<OutputFile> File2;

    // Closes both slots, ignoring failures: whatever a failed job left open goes, and an output
    // not yet published with it.
    void closeAllFiles();
    // Closes file number 2: a piece or joined file that failed is not kept. What the user must be
    // told when its unfinished copy could not be removed, else nothing.
    std::optional<std::string> discardOutput();
    // Inside the handler of a failure while file number 2 is written: the output is thrown away
    // and the failure goes on as a PlatformError, carrying what could not be removed of it.
    [[noreturn]] void failOutput();
};

}  // namespace roruvez

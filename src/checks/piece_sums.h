#pragma once

#include <cstddef>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "checks/hash_lanes.h"
#include "platform/open_file.h"

namespace roruvez {

// What a job computes over its pieces, in one place: the running job makes it, its copies hand
// it every block they move, and the job tells it where each piece begins and ends. Asked for
// nothing, it does nothing, and the copies run in the kernel. Its results are what the job
// writes (a checksum list) or checks (damaged pieces).
//
// A split sums each piece and the whole source, so every byte twice: one lane sums the source
// and one the piece being written. A join sums each piece once, and its pieces are independent:
// piece N goes to lane N mod lanes, so that the lanes sum neighbouring pieces at once. A split's
// recovery sums take every piece's bytes, header included, on lanes of their own, the pieces
// in turn.
class PieceSums final : public CopyTap {
  public:
    enum class Job { Split, Join };
    static constexpr int kLanes = 2;

    // Nothing asked.
    PieceSums() = default;
    // SHA-256 sums unless makeSum makes others.
    explicit PieceSums(Job job, const MakeStreamSum& makeSum = {});
    // A split's: checksums when asked, and recovery sums on a lane for each of recoverySums:
    // piece N goes to lane N mod their count, one stream each, in order.
    PieceSums(bool checksums, std::vector<MakeStreamSum> recoverySums);

    // Whether the job asked for sums of any kind.
    bool on() const { return lanes_ != nullptr; }
    // Whether each piece (and a split's source) is summed for a checksum list.
    bool checksums() const { return checksums_; }

    // Piece number begins: header, when given, is part of the piece before the copied bytes (a
    // first piece's header), never of the source.
    void beginPiece(int number, std::string_view header = {});
    // Every byte of piece number has been copied.
    void endPiece(int number);
    // The sum of piece number as text (SHA-256: 64 lowercase hex digits), once its lane has
    // summed it; a failure of the sum is thrown here.
    std::string pieceDigest(int number) const;
    // The whole source's SHA-256, a split's; ends its stream.
    std::string sourceDigest();
    // Once every piece has ended: waits for their recovery sums, and throws the failure of one.
    void recoveryFinished() const;

    bool wanted() const override { return on(); }
    std::byte* block() override;
    void filled(std::size_t size) override;

  private:
    static constexpr int kSourceLane = 0;
    static constexpr int kSplitPieceLane = 1;
    int laneOf(int number) const;
    int recoveryLaneOf(int number) const;

    Job job_ = Job::Split;
    bool checksums_ = false;
    // The first recovery lane, and how many there are.
    int recoveryLane_ = 0;
    int recoveryLanes_ = 0;
    std::unique_ptr<HashLanes> lanes_;
    // The lanes the bytes copied now go to.
    unsigned laneBits_ = 0;
    // By piece number less one.
    std::vector<std::shared_future<std::string>> digests_;
    std::vector<std::shared_future<std::string>> recoverySums_;
};

}  // namespace roruvez

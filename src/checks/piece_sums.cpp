#include "checks/piece_sums.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace roruvez {

PieceSums::PieceSums(Job job, const MakeStreamSum& makeSum)
    : job_(job), checksums_(true), lanes_(std::make_unique<HashLanes>(kLanes, makeSum)) {}

PieceSums::PieceSums(bool checksums, std::vector<MakeStreamSum> recoverySums)
    : checksums_(checksums) {
    std::vector<MakeStreamSum> makers(checksums ? kLanes : 0);
    recoveryLane_ = static_cast<int>(makers.size());
    recoveryLanes_ = static_cast<int>(recoverySums.size());
    for (MakeStreamSum& sum : recoverySums) {
        makers.push_back(std::move(sum));
    }
    lanes_ = std::make_unique<HashLanes>(std::move(makers));
}

int PieceSums::recoveryLaneOf(int number) const {
    return recoveryLane_ + number % recoveryLanes_;
}

int PieceSums::laneOf(int number) const {
    return job_ == Job::Split ? kSplitPieceLane : number % kLanes;
}

void PieceSums::beginPiece(int number, std::string_view header) {
    if (!on()) {
        return;
    }
    unsigned pieceLanes = checksums_ ? 1U << static_cast<unsigned>(laneOf(number)) : 0U;
    if (recoveryLanes_ > 0) {
        pieceLanes |= 1U << static_cast<unsigned>(recoveryLaneOf(number));
    }
    if (!header.empty()) {
        std::memcpy(lanes_->block(), header.data(), header.size());
        lanes_->hand(header.size(), pieceLanes);
    }
    laneBits_ = job_ == Job::Split && checksums_ ? pieceLanes | 1U << kSourceLane : pieceLanes;
}

void PieceSums::endPiece(int number) {
    if (!on()) {
        return;
    }
    if (checksums_) {
        digests_.resize(std::max(digests_.size(), static_cast<std::size_t>(number)));
        digests_[static_cast<std::size_t>(number - 1)] = lanes_->finish(laneOf(number));
    }
    if (recoveryLanes_ > 0) {
        recoverySums_.push_back(lanes_->finish(recoveryLaneOf(number)));
    }
    laneBits_ = 0;
}

void PieceSums::recoveryFinished() const {
    for (const auto& sum : recoverySums_) {
        sum.get();
    }
}

std::string PieceSums::pieceDigest(int number) const {
    return digests_.at(static_cast<std::size_t>(number - 1)).get();
}

std::string PieceSums::sourceDigest() {
    return lanes_->finish(kSourceLane).get();
}

std::byte* PieceSums::block() {
    return lanes_->block();
}

void PieceSums::filled(std::size_t size) {
    lanes_->hand(size, laneBits_);
}

}  // namespace roruvez

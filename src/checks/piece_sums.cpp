#include "checks/piece_sums.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace roruvez {

PieceSums::PieceSums(Job job, MakeStreamSum makeSum)
    : job_(job), lanes_(std::make_unique<HashLanes>(kLanes, std::move(makeSum))) {}

int PieceSums::laneOf(int number) const {
    return job_ == Job::Split ? kSplitPieceLane : number % kLanes;
}

void PieceSums::beginPiece(int number, std::string_view header) {
    if (!on()) {
        return;
    }
    const unsigned pieceLane = 1U << static_cast<unsigned>(laneOf(number));
    if (!header.empty()) {
        std::memcpy(lanes_->block(), header.data(), header.size());
        lanes_->hand(header.size(), pieceLane);
    }
    laneBits_ = job_ == Job::Split ? pieceLane | 1U << kSourceLane : pieceLane;
}

void PieceSums::endPiece(int number) {
    if (!on()) {
        return;
    }
    digests_.resize(std::max(digests_.size(), static_cast<std::size_t>(number)));
    digests_[static_cast<std::size_t>(number - 1)] = lanes_->finish(laneOf(number));
    laneBits_ = 0;
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

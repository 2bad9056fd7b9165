#include "checks/hash_lanes.h"

#include <utility>

#include "checks/sha256.h"

namespace roruvez {

HashLanes::HashLanes(std::vector<MakeStreamSum> makers) {
    for (std::size_t i = 0; i < kBlocks; ++i) {
        blocks_.push_back(std::make_unique<Block>());
        blocks_.back()->bytes.resize(kBlockBytes);
        free_.push_back(blocks_.back().get());
    }
    for (MakeStreamSum& makeSum : makers) {
        lanes_.push_back(std::make_unique<Lane>());
        lanes_.back()->makeSum = makeSum ? std::move(makeSum) : [] {
            return std::unique_ptr<StreamSum>(std::make_unique<Sha256>());
        };
    }
    // Started once every lane exists: a thread only ever touches its own.
    for (auto& lane : lanes_) {
        lane->thread = std::thread([this, &lane = *lane] { run(lane); });
    }
}

HashLanes::~HashLanes() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    for (auto& lane : lanes_) {
        lane->ready.notify_all();
    }
    for (auto& lane : lanes_) {
        lane->thread.join();
    }
}

void HashLanes::release(Block* block) {
    if (--block->users == 0) {
        free_.push_back(block);
        if (free_.size() == kBatch) {
            freed_.notify_one();
        }
    }
}

std::byte* HashLanes::block() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (current_ != nullptr) {
        release(current_);
        current_ = nullptr;
    }
    if (free_.empty()) {
        // Every block waits in a lane then, so the lanes are awake and free some.
        freed_.wait(lock, [this] { return free_.size() >= kBatch; });
    }
    current_ = free_.back();
    free_.pop_back();
    current_->users = 1;
    current_->size = 0;
    return current_->bytes.data();
}

void HashLanes::hand(std::size_t size, unsigned laneBits) {
    const std::lock_guard<std::mutex> lock(mutex_);
    current_->size = size;
    for (std::size_t i = 0; i < lanes_.size(); ++i) {
        if ((laneBits >> i & 1U) != 0) {
            ++current_->users;
            Lane& lane = *lanes_[i];
            lane.queue.push_back(Item{current_, {}});
            if (lane.queue.size() == kBatch) {
                lane.ready.notify_one();
            }
        }
    }
}

std::shared_future<std::string> HashLanes::finish(int lane) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Lane& to = *lanes_[static_cast<std::size_t>(lane)];
    to.queue.push_back(Item{});
    ++to.ends;
    std::shared_future<std::string> digest = to.queue.back().digest.get_future().share();
    to.ready.notify_one();
    return digest;
}

void HashLanes::startSum(const Lane& lane, LaneSum& at) {
    at.failed = nullptr;
    try {
        at.sum = lane.makeSum();
    } catch (...) {
        at.failed = std::current_exception();
    }
}

// Sums a block, or ends a stream; called without the lock.
void HashLanes::take(const Lane& lane, Item& item, LaneSum& at) {
    if (item.block != nullptr) {
        if (!at.failed) {
            try {
                at.sum->add(item.block->bytes.data(), item.block->size);
            } catch (...) {
                at.failed = std::current_exception();
            }
        }
        return;
    }
    if (!at.failed) {
        try {
            item.digest.set_value(at.sum->finish());
        } catch (...) {
            at.failed = std::current_exception();
        }
    }
    if (at.failed) {
        item.digest.set_exception(at.failed);
    }
    // Each stream has a sum of its own: a maker may make each stream's differently.
    startSum(lane, at);
}

void HashLanes::run(Lane& lane) {
    LaneSum at;
    startSum(lane, at);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        lane.ready.wait(lock,
                        [&] { return stopping_ || lane.queue.size() >= kBatch || lane.ends > 0; });
        if (stopping_) {
            return;
        }
        // Awake, the lane sums all it has before it sleeps again.
        while (!lane.queue.empty() && !stopping_) {
            Item item = std::move(lane.queue.front());
            lane.queue.pop_front();
            lock.unlock();
            take(lane, item, at);
            lock.lock();
            if (item.block == nullptr) {
                --lane.ends;
            } else {
                release(item.block);
            }
        }
    }
}

}  // namespace roruvez

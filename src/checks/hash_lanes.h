#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "checks/stream_sum.h"
#include "platform/open_file.h"

namespace roruvez {

// Sums of streams of bytes (SHA-256 unless told otherwise), worked out on threads of their own
// while the job goes on copying: the job fills a block, hands it to the lanes that want it and
// writes it out meanwhile. A sum that fails fails its stream, never the program: the failure
// comes out of that stream's result, and the lane goes on taking blocks. Each lane is one thread
// that sums one stream after another, so two lanes keep two processors busy. A job that hands
// blocks faster than the lanes sum them waits for a free block; the blocks in memory never exceed
// kBlocks of kBlockBytes. Waking a thread costs a processor interrupt, dear in a virtual machine,
// so a sleeping lane is woken only once kBatch blocks wait for it (or its stream ends), and a job
// waiting for blocks once kBatch are free.
class HashLanes {
  public:
    // A copy reads each block straight into one of these.
    static constexpr std::size_t kBlockBytes = kCopyBlock;
    static constexpr std::size_t kBlocks = 16;
    static constexpr std::size_t kBatch = 4;

    explicit HashLanes(int lanes, const MakeStreamSum& makeSum = {})
        : HashLanes(std::vector<MakeStreamSum>(static_cast<std::size_t>(lanes), makeSum)) {}
    // A lane for each maker of its sums; one not given makes SHA-256 sums.
    explicit HashLanes(std::vector<MakeStreamSum> makers);
    ~HashLanes();
    HashLanes(const HashLanes&) = delete;
    HashLanes& operator=(const HashLanes&) = delete;

    int lanes() const { return static_cast<int>(lanes_.size()); }
    // A block of kBlockBytes to fill. The block handed out before it is the job's no longer.
    std::byte* block();
    // The block last handed out holds size bytes: each lane whose bit is set in laneBits adds
    // them to its stream. The job may go on reading the block until it asks for the next.
    void hand(std::size_t size, unsigned laneBits);
    // Ends the lane's stream: its result once the lane has summed every block handed to it
    // before, or the failure of its sum. The lane's next block begins a new stream.
    std::shared_future<std::string> finish(int lane);

  private:
    struct Block {
        std::vector<std::byte> bytes;
        std::size_t size = 0;
        int users = 0;
    };
    struct Item {
        Block* block = nullptr;  // none: the stream ends here
        std::promise<std::string> digest;
    };
    struct Lane {
        std::deque<Item> queue;
        int ends = 0;  // streams ended in the queue
        MakeStreamSum makeSum;
        std::condition_variable ready;
        std::thread thread;
    };

    void run(Lane& lane);
    void release(Block* block);
    // Where a lane is when its next item comes: the sum under way, or why it failed.
    struct LaneSum {
        std::unique_ptr<StreamSum> sum;
        std::exception_ptr failed;
    };
    static void startSum(const Lane& lane, LaneSum& at);
    static void take(const Lane& lane, Item& item, LaneSum& at);

    std::mutex mutex_;
    std::condition_variable freed_;
    std::vector<std::unique_ptr<Block>> blocks_;
    std::vector<Block*> free_;
    Block* current_ = nullptr;
    std::vector<std::unique_ptr<Lane>> lanes_;
    bool stopping_ = false;
};

}  // namespace roruvez

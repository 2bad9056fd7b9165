#include "checks/hash_lanes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <stdexcept>

#include "checks/sha256.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

// Hands text to the lanes in blocks of at most step bytes.
void handIn(HashLanes& lanes, const std::string& text, unsigned laneBits, std::size_t step,
            std::set<std::byte*>& blocks) {
    for (std::size_t at = 0; at < text.size(); at += step) {
        std::byte* block = lanes.block();
        blocks.insert(block);
        const std::size_t size = std::min(step, text.size() - at);
        std::memcpy(block, text.data() + at, size);
        lanes.hand(size, laneBits);
    }
}

// Streams on two lanes, one fed every block and one every other stream, come out as the SHA-256
// of what each was given, in order; the blocks in memory never exceed the bound, however many
// are handed.
TEST(HashLanes, EachLaneSumsItsStreamsInOrderWithinTheBlocksItHas) {
    HashLanes lanes(2);
    std::set<std::byte*> blocks;
    std::string both;
    std::vector<std::pair<std::shared_future<std::string>, std::string>> pieces;
    for (int piece = 0; piece < 6; ++piece) {
        const std::string text = testing::patternBytes(
            HashLanes::kBlockBytes * 3 + static_cast<std::size_t>(piece) * 1000,
            static_cast<unsigned>(piece));
        both += text;
        handIn(lanes, text, 1U | 2U, HashLanes::kBlockBytes, blocks);
        pieces.emplace_back(lanes.finish(1), testing::sha256Of(text));
    }
    EXPECT_EQ(lanes.finish(0).get(), testing::sha256Of(both));
    for (const auto& [digest, expected] : pieces) {
        EXPECT_EQ(digest.get(), expected);
    }
    EXPECT_LE(blocks.size(), HashLanes::kBlocks);
    EXPECT_EQ(lanes.finish(1).get(), testing::sha256Of(""));
}

// A sum that fails fails its own stream, which the job hears of; the lane and its neighbour go
// on, and the lane's next stream is summed anew.
TEST(HashLanes, AFailingSumFailsItsStreamAndNothingElse) {
    class FailsOnce final : public StreamSum {
      public:
        explicit FailsOnce(std::atomic<bool>& failed) : failed_(failed) {}
        void add(const std::byte* data, std::size_t size) override {
            if (!failed_.exchange(true)) {
                throw std::runtime_error("no sum today");
            }
            sum_.add(data, size);
        }
        std::string finish() override { return sum_.finish(); }

      private:
        std::atomic<bool>& failed_;
        Sha256 sum_;
    };
    std::atomic<bool> failed{false};
    HashLanes lanes(2, [&failed] { return std::make_unique<FailsOnce>(failed); });
    std::set<std::byte*> blocks;
    const std::string text = testing::patternBytes(HashLanes::kBlockBytes * HashLanes::kBlocks * 2);
    handIn(lanes, text, 1U, 1000, blocks);
    const auto broken = lanes.finish(0);
    handIn(lanes, text, 1U | 2U, HashLanes::kBlockBytes, blocks);
    EXPECT_THROW(broken.get(), std::runtime_error);
    EXPECT_EQ(lanes.finish(0).get(), testing::sha256Of(text));
    EXPECT_EQ(lanes.finish(1).get(), testing::sha256Of(text));
}

// Each lane makes its sums with its own maker, a new one for every stream: a maker may make
// each stream's sum differently (the recovery data's sums know their piece).
TEST(HashLanesTest, EachStreamGetsANewSumFromItsLanesMaker) {
    class Numbered final : public StreamSum {
      public:
        explicit Numbered(std::string name) : name_(std::move(name)) {}
        void add(const std::byte*, std::size_t size) override { bytes_ += size; }
        std::string finish() override { return name_ + ":" + std::to_string(bytes_); }

      private:
        std::string name_;
        std::size_t bytes_ = 0;
    };
    const auto maker = [](const char* lane) {
        return [lane, next = 0]() mutable {
            return std::make_unique<Numbered>(lane + std::to_string(next++));
        };
    };
    HashLanes lanes(std::vector<MakeStreamSum>{maker("a"), maker("b")});
    std::set<std::byte*> blocks;
    handIn(lanes, "hello", 1U | 2U, 2, blocks);
    const auto first = lanes.finish(0);
    handIn(lanes, "hi", 1U, 2, blocks);
    EXPECT_EQ(first.get(), "a0:5");
    EXPECT_EQ(lanes.finish(0).get(), "a1:2");
    EXPECT_EQ(lanes.finish(1).get(), "b0:5");
}

}  // namespace
}  // namespace roruvez

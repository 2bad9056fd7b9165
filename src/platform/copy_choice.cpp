#include "platform/copy_choice.h"

#include <algorithm>
#include <iterator>

namespace roruvez {

namespace {

int index(CopyWay way) {
    return way == CopyWay::Kernel ? 1 : 0;
}

CopyWay other(CopyWay way) {
    return way == CopyWay::Kernel ? CopyWay::Buffer : CopyWay::Kernel;
}

std::int64_t median(const std::int64_t (&times)[CopyChoice::kTries]) {
    std::int64_t sorted[CopyChoice::kTries];
    std::copy(std::begin(times), std::end(times), std::begin(sorted));
    std::sort(std::begin(sorted), std::end(sorted));
    return (sorted[CopyChoice::kTries / 2 - 1] + sorted[CopyChoice::kTries / 2]) / 2;
}

}  // namespace

CopyWay CopyChoice::next() const {
    if (kernelRefused_) {
        return CopyWay::Buffer;
    }
    if (timed_[0] < kTries || timed_[1] < kTries) {
        return turn_ % 2 == 0 ? CopyWay::Buffer : CopyWay::Kernel;
    }
    return turn_ % kProbeEvery == 0 ? other(leader_) : leader_;
}

void CopyChoice::took(CopyWay way, std::size_t bytes, std::size_t wholeBlock,
                      std::int64_t nanoseconds) {
    ++turn_;
    if (bytes != wholeBlock) {
        return;
    }
    const int i = index(way);
    times_[i][timed_[i] % kTries] = nanoseconds;
    ++timed_[i];
    if (timed_[0] >= kTries && timed_[1] >= kTries) {
        leader_ = median(times_[1]) < median(times_[0]) ? CopyWay::Kernel : CopyWay::Buffer;
    }
}

CopyChoice& CopyChoices::between(std::uint64_t fromDevice, std::uint64_t toDevice) {
    for (auto& entry : entries_) {
        if (entry.from == fromDevice && entry.to == toDevice) {
            return entry.choice;
        }
    }
    entries_.push_back({fromDevice, toDevice, {}});
    return entries_.back().choice;
}

}  // namespace roruvez

#include "platform/copy_choice.h"

#include <algorithm>
#include <iterator>

namespace roruvez {

namespace {

CopyWay other(CopyWay way) {
    return way == CopyWay::Kernel ? CopyWay::Buffer : CopyWay::Kernel;
}

double median(const double (&values)[CopyChoice::kTries]) {
    double sorted[CopyChoice::kTries];
    std::copy(std::begin(values), std::end(values), std::begin(sorted));
    std::sort(std::begin(sorted), std::end(sorted));
    return (sorted[CopyChoice::kTries / 2 - 1] + sorted[CopyChoice::kTries / 2]) / 2;
}

}  // namespace

CopyWay CopyChoice::next() const {
    if (kernelRefused_) {
        return CopyWay::Buffer;
    }
    if (compared_ < kTries) {
        return turn_ % 2 == 0 ? CopyWay::Buffer : CopyWay::Kernel;
    }
    return turn_ % kProbeEvery == 0 ? other(leader_) : leader_;
}

void CopyChoice::took(CopyWay way, std::size_t bytes, std::size_t wholeBlock,
                      std::int64_t nanoseconds) {
    ++turn_;
    if (bytes != wholeBlock || nanoseconds <= 0) {
        lastTimed_ = false;
        return;
    }
    if (lastTimed_ && lastWay_ != way) {
        const double kernel = static_cast<double>(way == CopyWay::Kernel ? nanoseconds : lastTime_);
        const double buffer = static_cast<double>(way == CopyWay::Kernel ? lastTime_ : nanoseconds);
        ratios_[compared_ % kTries] = kernel / buffer;
        ++compared_;
        if (compared_ >= kTries) {
            leader_ = median(ratios_) < 1.0 ? CopyWay::Kernel : CopyWay::Buffer;
        }
    }
    lastTimed_ = true;
    lastWay_ = way;
    lastTime_ = nanoseconds;
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

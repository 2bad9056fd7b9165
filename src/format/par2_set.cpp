#include "format/par2_set.h"

#include <algorithm>
#include <array>
#include <future>
#include <stdexcept>

#include "checks/gf16.h"

namespace roruvez::par2 {

namespace {

// Even, so that only an input's last part can end in half a word.
constexpr std::size_t kReadBlock = std::size_t{1} << 20;

// A slice's sums count the zeros that pad the last one.
void addZeros(Md5& hash, std::uint32_t& crc, std::uint64_t count) {
    static const std::array<std::byte, 65536> zeros{};
    while (count > 0) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(count, zeros.size()));
        hash.add(zeros.data(), size);
        crc = crc32Of(zeros.data(), size, crc);
        count -= size;
    }
}

// An input's bytes, in order from its start, summed into its description (when given) and
// added to the recovery slices.
class InputSum final : public StreamSum {
  public:
    InputSum(std::uint64_t sliceSize, std::uint32_t firstSlice, std::uint64_t length,
             InputFile* file, RecoveryData& data)
        : sliceSize_(sliceSize),
          firstSlice_(firstSlice),
          length_(length),
          oneSlice_(length <= sliceSize),
          file_(file),
          data_(data) {}

    void add(const std::byte* data, std::size_t size) override {
        while (size > 0) {
            const std::uint64_t inSlice = at_ % sliceSize_;
            const auto part =
                static_cast<std::size_t>(std::min<std::uint64_t>(size, sliceSize_ - inSlice));
            if (part > length_ - at_) {
                throw std::runtime_error("the input is longer than described");
            }
            addRecovery(static_cast<std::uint32_t>(at_ / sliceSize_), inSlice, data, part);
            if (file_ != nullptr) {
                addSums(data, part);
            }
            at_ += part;
            data += part;
            size -= part;
            if (file_ != nullptr && (at_ % sliceSize_ == 0 || at_ == length_)) {
                closeSlice();
            }
        }
    }

    std::string finish() override {
        if (at_ != length_) {
            throw std::runtime_error("the input is shorter than described");
        }
        if (file_ != nullptr) {
            if (start_.finish() != file_->hash16k) {
                throw std::runtime_error("the input's start is not what was described");
            }
            file_->hash = whole_.finish();
        }
        return {};
    }

  private:
    // A part may end on an odd offset; its last byte waits for the next part's first, since
    // the slices are added word by word.
    void addRecovery(std::uint32_t slice, std::uint64_t inSlice, const std::byte* data,
                     std::size_t size) {
        const std::uint32_t index = firstSlice_ + slice;
        // Slices end on even offsets, so an odd end is the input's or mid-slice.
        const bool oddEnd = (at_ + size) % 2 != 0 && at_ + size < length_;
        if (held_) {
            const std::array<std::byte, 2> word{heldByte_, data[0]};
            data_.addPart(index, static_cast<std::size_t>(inSlice - 1), word.data(), word.size());
            held_ = false;
            ++data;
            --size;
            ++inSlice;
        }
        if (oddEnd) {
            heldByte_ = data[size - 1];
            held_ = true;
            --size;
        }
        if (size > 0) {
            data_.addPart(index, static_cast<std::size_t>(inSlice), data, size);
        }
    }

    void addSums(const std::byte* data, std::size_t size) {
        whole_.add(data, size);
        if (!oneSlice_) {
            slice_.add(data, size);
        }
        crc_ = crc32Of(data, size, crc_);
        if (at_ < k16k) {
            start_.add(data, static_cast<std::size_t>(std::min<std::uint64_t>(size, k16k - at_)));
        }
    }

    // An input of one slice, as most pieces are, is summed once: its slice's MD5 goes on from
    // the whole input's over the padding.
    void closeSlice() {
        if (oneSlice_) {
            slice_.copyFrom(whole_);
        }
        const std::uint64_t end = (at_ - 1) / sliceSize_ * sliceSize_ + sliceSize_;
        addZeros(slice_, crc_, end - at_);
        file_->slices.emplace_back(slice_.finish(), crc_);
        crc_ = 0;
    }

    std::uint64_t sliceSize_;
    std::uint32_t firstSlice_;
    std::uint64_t length_;
    bool oneSlice_;
    InputFile* file_;
    RecoveryData& data_;
    std::uint64_t at_ = 0;
    Md5 whole_;
    Md5 slice_;
    Md5 start_;
    std::uint32_t crc_ = 0;
    bool held_ = false;
    std::byte heldByte_{};
};

std::uint32_t slicesAtOnce(std::size_t memory, std::uint64_t sliceSize, std::uint32_t slices) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(slices, std::max<std::uint64_t>(1, memory / sliceSize)));
}

}  // namespace

RecoverySet::RecoverySet(std::string base, std::vector<InputName> inputs, std::uint64_t sliceSize,
                         std::uint32_t recoverySlices, std::size_t memory,
                         std::uint32_t volumeSlices)
    : base_(std::move(base)),
      inputs_(std::move(inputs)),
      sliceSize_(sliceSize),
      recoverySlices_(recoverySlices) {
    for (std::size_t summer = 0; summer < kSummers; ++summer) {
        summed_.emplace_back(
            static_cast<std::size_t>(sliceSize), 0,
            sliceSize == 0 ? 0 : slicesAtOnce(memory / kSummers, sliceSize, recoverySlices));
    }
    std::uint64_t slices = 0;
    for (const InputName& input : inputs_) {
        slices += (input.length + sliceSize_ - 1) / sliceSize_;
    }
    if (sliceSize_ == 0 || sliceSize_ % 4 != 0 || slices > gf16::kInputConstants) {
        throw std::invalid_argument("no recovery set has such slices");
    }
    const std::size_t width = std::to_string(recoverySlices_).size();
    for (std::uint32_t first = 0, size = std::max<std::uint32_t>(1, volumeSlices);
         first < recoverySlices_; first += size, size *= volumeSlices == 0 ? 2 : 1) {
        const std::uint32_t here = std::min(size, recoverySlices_ - first);
        volumes_.push_back({volumeName(base_, first, here, width), first, here});
    }
}

std::vector<std::string> RecoverySet::fileNames() const {
    std::vector<std::string> names{base_ + ".par2"};
    for (const Volume& volume : volumes_) {
        names.push_back(volume.name);
    }
    return names;
}

void RecoverySet::describe(const ReadInput& read) {
    files_.clear();
    std::vector<Md5Digest> ids;
    std::string start(k16k, '\0');
    for (std::size_t i = 0; i < inputs_.size(); ++i) {
        const auto size =
            static_cast<std::size_t>(std::min<std::uint64_t>(k16k, inputs_[i].length));
        read(i, 0, reinterpret_cast<std::byte*>(start.data()), size);
        files_.push_back(
            {inputs_[i].name, inputs_[i].length, {}, md5Of(start.substr(0, size)), {}});
        ids.push_back(files_.back().id());
    }
    // The constants go to the slices in the order of their files' IDs.
    std::vector<std::size_t> order(files_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return ids[a] < ids[b]; });
    firstSlice_.assign(files_.size(), 0);
    std::uint32_t index = 0;
    for (const std::size_t input : order) {
        firstSlice_[input] = index;
        index += static_cast<std::uint32_t>((inputs_[input].length + sliceSize_ - 1) / sliceSize_);
    }
    body_ = mainBody(sliceSize_, ids);
    setId_ = md5Of(body_);
}

std::unique_ptr<StreamSum> RecoverySet::inputSum(std::size_t input) {
    if (input >= files_.size()) {
        throw std::out_of_range("the set has no such input");
    }
    return std::make_unique<InputSum>(sliceSize_, firstSlice_.at(input), inputs_[input].length,
                                      &files_[input], summed_[input % kSummers]);
}

void RecoverySet::sumInput(const ReadInput& read, std::size_t input, StreamSum& sum,
                           StreamSum* alongside) const {
    std::vector<std::byte> block(kReadBlock);
    const std::uint64_t length = inputs_[input].length;
    for (std::uint64_t at = 0; at < length; at += block.size()) {
        const auto size =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), length - at));
        read(input, at, block.data(), size);
        std::future<void> other;
        if (alongside != nullptr) {
            other = std::async(std::launch::async, [&] { alongside->add(block.data(), size); });
        }
        sum.add(block.data(), size);
        if (other.valid()) {
            other.get();
        }
    }
    sum.finish();
}

void RecoverySet::appendSlices(const RecoveryData& data, const AppendOutput& append) const {
    auto volume = volumes_.begin();
    for (std::uint32_t k = 0; k < data.count(); ++k) {
        while (data.exponent(k) >= volume->first + volume->count) {
            ++volume;
        }
        const auto& slice = data.slice(k);
        append(volume->name,
               recoverySlicePacket(
                   setId_, data.exponent(k),
                   std::string_view(reinterpret_cast<const char*>(slice.data()), slice.size())));
    }
}

void RecoverySet::write(const ReadInput& read, const AppendOutput& append,
                        std::string_view creator) {
    // Adding in GF(2^16) is XOR.
    RecoveryData& first = summed_[0];
    for (std::size_t summer = 1; summer < kSummers; ++summer) {
        for (std::uint32_t k = 0; k < first.count(); ++k) {
            std::vector<std::byte>& to = first.slice(k);
            const std::vector<std::byte>& from = summed_[summer].slice(k);
            for (std::size_t i = 0; i < to.size(); ++i) {
                to[i] ^= from[i];
            }
        }
        summed_[summer] = RecoveryData(static_cast<std::size_t>(sliceSize_), 0, 0);
    }
    appendSlices(first, append);
    // A pass after the inputs are summed has the whole memory.
    const auto group = std::max<std::uint32_t>(1, first.count() * std::uint32_t{kSummers});
    for (std::uint32_t at = first.count(); at < recoverySlices_; at += group) {
        // Each block read goes to two threads, each making half the slices.
        const std::uint32_t count = std::min(group, recoverySlices_ - at);
        const std::uint32_t half = (count + 1) / 2;
        const auto size = static_cast<std::size_t>(sliceSize_);
        RecoveryData low(size, at, half);
        RecoveryData high(size, at + half, count - half);
        for (std::size_t input = 0; input < inputs_.size(); ++input) {
            const std::uint64_t length = inputs_[input].length;
            InputSum lowSum(sliceSize_, firstSlice_[input], length, nullptr, low);
            InputSum highSum(sliceSize_, firstSlice_[input], length, nullptr, high);
            sumInput(read, input, lowSum, high.count() > 0 ? &highSum : nullptr);
        }
        appendSlices(low, append);
        appendSlices(high, append);
    }
    std::string critical = mainPacket(setId_, body_);
    for (const InputFile& file : files_) {
        critical += fileDescriptionPacket(setId_, file) + sliceChecksumPacket(setId_, file);
    }
    critical += creatorPacket(setId_, creator);
    for (const std::string& name : fileNames()) {
        append(name, critical);
    }
}

void RecoverySet::make(const ReadInput& read, const AppendOutput& append,
                       std::string_view creator) {
    describe(read);
    for (std::size_t input = 0; input < inputs_.size(); ++input) {
        sumInput(read, input, *inputSum(input));
    }
    write(read, append, creator);
}

std::map<std::string, std::string> recoveryFiles(
    std::string_view base, const std::vector<std::pair<std::string, std::string>>& inputs,
    std::uint64_t sliceSize, std::uint32_t count, std::string_view creator) {
    std::vector<InputName> names;
    names.reserve(inputs.size());
    for (const auto& [name, bytes] : inputs) {
        names.push_back({name, bytes.size()});
    }
    std::map<std::string, std::string> out;
    RecoverySet(std::string(base), names, sliceSize, count)
        .make(
            [&](std::size_t input, std::uint64_t offset, std::byte* data, std::size_t size) {
                inputs.at(input).second.copy(reinterpret_cast<char*>(data), size, offset);
            },
            [&](const std::string& name, std::string_view bytes) { out[name] += bytes; }, creator);
    return out;
}

}  // namespace roruvez::par2

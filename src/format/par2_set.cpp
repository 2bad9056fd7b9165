#include "format/par2_set.h"

#include <algorithm>
#include <array>
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

}  // namespace

RecoverySet::RecoverySet(std::string base, std::vector<InputName> inputs, std::uint64_t sliceSize,
                         std::uint32_t recoverySlices)
    : base_(std::move(base)),
      inputs_(std::move(inputs)),
      sliceSize_(sliceSize),
      recoverySlices_(recoverySlices) {
    std::uint64_t slices = 0;
    for (const InputName& input : inputs_) {
        slices += (input.length + sliceSize_ - 1) / sliceSize_;
    }
    if (sliceSize_ == 0 || sliceSize_ % 4 != 0 || slices > gf16::kInputConstants) {
        throw std::invalid_argument("no recovery set has such slices");
    }
    const std::size_t width = std::to_string(recoverySlices_).size();
    for (std::uint32_t first = 0, size = 1; first < recoverySlices_; first += size, size *= 2) {
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

void RecoverySet::pass(const ReadInput& read, const std::vector<std::size_t>& order,
                       RecoveryData& data, std::vector<InputFile>* files) const {
    std::vector<std::byte> block(kReadBlock);
    std::uint32_t index = 0;
    for (const std::size_t input : order) {
        const std::uint64_t length = inputs_[input].length;
        // An input of one slice, as most pieces are, is summed once: its slice's MD5 goes on
        // from the whole input's over the padding.
        const bool oneSlice = length <= sliceSize_;
        Md5 whole;
        for (std::uint64_t slice = 0; slice < length; slice += sliceSize_, ++index) {
            const std::uint64_t end = std::min(length, slice + sliceSize_);
            Md5 hash;
            std::uint32_t crc = 0;
            for (std::uint64_t at = slice; at < end; at += block.size()) {
                const auto size =
                    static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), end - at));
                read(input, at, block.data(), size);
                data.addPart(index, static_cast<std::size_t>(at - slice), block.data(), size);
                if (files != nullptr) {
                    whole.add(block.data(), size);
                    if (!oneSlice) {
                        hash.add(block.data(), size);
                    }
                    crc = crc32Of(block.data(), size, crc);
                }
            }
            if (files != nullptr) {
                if (oneSlice) {
                    hash.copyFrom(whole);
                }
                addZeros(hash, crc, slice + sliceSize_ - end);
                (*files)[input].slices.emplace_back(hash.finish(), crc);
            }
        }
        if (files != nullptr) {
            (*files)[input].hash = whole.finish();
        }
    }
}

void RecoverySet::make(const ReadInput& read, const AppendOutput& append, std::string_view creator,
                       std::size_t memory) const {
    // A slice's constant follows its file's ID, which needs only the file's first 16 KiB.
    std::vector<InputFile> files;
    std::vector<Md5Digest> ids;
    std::string start(k16k, '\0');
    for (std::size_t i = 0; i < inputs_.size(); ++i) {
        const auto size =
            static_cast<std::size_t>(std::min<std::uint64_t>(k16k, inputs_[i].length));
        read(i, 0, reinterpret_cast<std::byte*>(start.data()), size);
        files.push_back({inputs_[i].name, inputs_[i].length, {}, md5Of(start.substr(0, size)), {}});
        ids.push_back(files.back().id());
    }
    std::vector<std::size_t> order(files.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return ids[a] < ids[b]; });
    const std::string body = mainBody(sliceSize_, ids);
    const Md5Digest setId = md5Of(body);

    const auto group = static_cast<std::uint32_t>(std::max<std::uint64_t>(1, memory / sliceSize_));
    auto volume = volumes_.begin();
    for (std::uint32_t first = 0; first < recoverySlices_; first += group) {
        RecoveryData data(static_cast<std::size_t>(sliceSize_), first,
                          std::min(group, recoverySlices_ - first));
        pass(read, order, data, first == 0 ? &files : nullptr);
        for (std::uint32_t k = 0; k < data.count(); ++k) {
            while (data.exponent(k) >= volume->first + volume->count) {
                ++volume;
            }
            const auto& slice = data.slice(k);
            append(volume->name,
                   recoverySlicePacket(setId, data.exponent(k),
                                       std::string_view(reinterpret_cast<const char*>(slice.data()),
                                                        slice.size())));
        }
    }
    std::string critical = mainPacket(setId, body);
    for (const InputFile& file : files) {
        critical += fileDescriptionPacket(setId, file) + sliceChecksumPacket(setId, file);
    }
    critical += creatorPacket(setId, creator);
    for (const std::string& name : fileNames()) {
        append(name, critical);
    }
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

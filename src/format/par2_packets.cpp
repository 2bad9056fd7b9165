#include "format/par2_packets.h"

#include <algorithm>
#include <utility>

#include "checks/recovery_data.h"

namespace roruvez::par2 {

namespace {

constexpr std::string_view kMagic{"PAR2\0PKT", 8};
constexpr std::string_view kMainType{"PAR 2.0\0Main\0\0\0\0", 16};
constexpr std::string_view kFileDescriptionType{"PAR 2.0\0FileDesc", 16};
constexpr std::string_view kSliceChecksumType{"PAR 2.0\0IFSC\0\0\0\0", 16};
constexpr std::string_view kRecoverySliceType{"PAR 2.0\0RecvSlic", 16};
constexpr std::string_view kCreatorType{"PAR 2.0\0Creator\0", 16};

void putNumber(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i) & 0xFFU));
    }
}

void putDigest(std::string& out, const Md5Digest& digest) {
    out.append(reinterpret_cast<const char*>(digest.data()), digest.size());
}

// Text fields are padded with zero bytes to a multiple of four.
void putPadded(std::string& out, std::string_view text) {
    out += text;
    out.append((4 - text.size() % 4) % 4, '\0');
}

std::string packet(const Md5Digest& setId, std::string_view type, std::string_view body) {
    std::string hashed;
    putDigest(hashed, setId);
    hashed += type;
    hashed += body;
    std::string out(kMagic);
    putNumber(out, kHeaderBytes + body.size(), 8);
    putDigest(out, md5Of(hashed));
    out += hashed;
    return out;
}

}  // namespace

Md5Digest InputFile::id() const {
    std::string identity;
    putDigest(identity, hash16k);
    putNumber(identity, length, 8);
    identity += name;
    return md5Of(identity);
}

std::string mainBody(std::uint64_t sliceSize, std::vector<Md5Digest> ids) {
    std::sort(ids.begin(), ids.end());
    std::string body;
    putNumber(body, sliceSize, 8);
    putNumber(body, ids.size(), 4);
    for (const Md5Digest& id : ids) {
        putDigest(body, id);
    }
    return body;
}

std::string mainPacket(const Md5Digest& setId, const std::string& body) {
    return packet(setId, kMainType, body);
}

std::string fileDescriptionPacket(const Md5Digest& setId, const InputFile& file) {
    std::string body;
    putDigest(body, file.id());
    putDigest(body, file.hash);
    putDigest(body, file.hash16k);
    putNumber(body, file.length, 8);
    putPadded(body, file.name);
    return packet(setId, kFileDescriptionType, body);
}

std::string sliceChecksumPacket(const Md5Digest& setId, const InputFile& file) {
    std::string body;
    putDigest(body, file.id());
    for (const auto& [hash, crc] : file.slices) {
        putDigest(body, hash);
        putNumber(body, crc, 4);
    }
    return packet(setId, kSliceChecksumType, body);
}

std::string creatorPacket(const Md5Digest& setId, std::string_view creator) {
    std::string body;
    putPadded(body, creator);
    return packet(setId, kCreatorType, body);
}

std::string recoverySlicePacket(const Md5Digest& setId, std::uint32_t exponent,
                                std::string_view data) {
    std::string body;
    putNumber(body, exponent, 4);
    body += data;
    return packet(setId, kRecoverySliceType, body);
}

std::string volumeName(std::string_view base, std::uint32_t first, std::uint32_t count,
                       std::size_t width) {
    const auto padded = [width](std::uint32_t number) {
        std::string digits = std::to_string(number);
        return std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
    };
    return std::string(base) + ".vol" + padded(first) + "+" + padded(count) + ".par2";
}

std::map<std::string, std::string> recoveryFiles(
    std::string_view base, const std::vector<std::pair<std::string, std::string>>& inputs,
    std::uint64_t sliceSize, std::uint32_t count, std::string_view creator) {
    std::vector<InputFile> files;
    for (const auto& [name, bytes] : inputs) {
        InputFile file{
            name, bytes.size(), md5Of(bytes), md5Of(std::string_view(bytes).substr(0, k16k)), {}};
        for (std::size_t at = 0; at < bytes.size(); at += sliceSize) {
            std::string slice = bytes.substr(at, sliceSize);
            slice.resize(sliceSize, '\0');
            file.slices.emplace_back(
                md5Of(slice),
                crc32Of(reinterpret_cast<const std::byte*>(slice.data()), slice.size()));
        }
        files.push_back(std::move(file));
    }
    // Slices take their constants in the order of their files' IDs, as the main packet lists
    // them, then in their order in the file.
    std::vector<std::size_t> order(files.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return files[a].id() < files[b].id(); });
    RecoveryData recovery(sliceSize, 0, count);
    std::uint32_t index = 0;
    for (const std::size_t i : order) {
        const std::string& bytes = inputs[i].second;
        for (std::size_t at = 0; at < bytes.size(); at += sliceSize) {
            const std::size_t size = std::min<std::size_t>(sliceSize, bytes.size() - at);
            recovery.addSlice(index++, reinterpret_cast<const std::byte*>(bytes.data() + at), size);
        }
    }
    std::vector<Md5Digest> ids;
    ids.reserve(files.size());
    for (const InputFile& file : files) {
        ids.push_back(file.id());
    }
    const std::string body = mainBody(sliceSize, ids);
    const Md5Digest setId = md5Of(body);
    std::string critical = mainPacket(setId, body);
    for (const InputFile& file : files) {
        critical += fileDescriptionPacket(setId, file) + sliceChecksumPacket(setId, file);
    }
    const std::string creatorText = creatorPacket(setId, creator);
    std::map<std::string, std::string> out;
    out[std::string(base) + ".par2"] = critical + creatorText;
    const std::size_t width = std::to_string(count).size();
    for (std::uint32_t first = 0, size = 1; first < count; first += size, size *= 2) {
        const std::uint32_t here = std::min(size, count - first);
        std::string volume;
        for (std::uint32_t k = first; k < first + here; ++k) {
            const auto& data = recovery.slice(k);
            volume += recoverySlicePacket(
                setId, recovery.exponent(k),
                std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
        }
        volume += critical;
        volume += creatorText;
        out[volumeName(base, first, here, width)] = std::move(volume);
    }
    return out;
}

}  // namespace roruvez::par2

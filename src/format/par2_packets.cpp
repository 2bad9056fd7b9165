#include "format/par2_packets.h"

#include <algorithm>
#include <utility>

namespace roruvez::par2 {

namespace {

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

}  // namespace roruvez::par2

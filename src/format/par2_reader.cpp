#include "format/par2_reader.h"

#include <algorithm>
#include <set>

#include "checks/gf16.h"

namespace roruvez::par2 {

namespace {

// Packets other than recovery slices: the largest holds a checksum for each of 32,768 slices.
constexpr std::uint64_t kLargestCritical = std::uint64_t{1} << 20;
constexpr std::size_t kReadPart = std::size_t{1} << 20;

std::uint64_t numberAt(std::string_view bytes, std::size_t at, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8U | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

Md5Digest digestAt(std::string_view bytes, std::size_t at) {
    Md5Digest digest{};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(bytes.data() + at), digest.size(),
                digest.begin());
    return digest;
}

struct Packet {
    std::string type;
    Md5Digest setId{};
    // The whole body, or a recovery slice's exponent alone.
    std::string body;
    std::size_t file = 0;
    std::uint64_t bodyOffset = 0;
    std::uint64_t bodyLength = 0;
};

// The packet at offset, when it is whole and its MD5 matches: its length; 0 otherwise.
std::uint64_t soundPacket(const ReadFileAt& read, std::size_t file, std::uint64_t offset,
                          std::uint64_t fileLength, Packet& packet) {
    std::string header(kHeaderBytes, '\0');
    if (fileLength - offset < kHeaderBytes ||
        read(file, offset, reinterpret_cast<std::byte*>(header.data()), kHeaderBytes) !=
            kHeaderBytes ||
        header.compare(0, kMagic.size(), kMagic) != 0) {
        return 0;
    }
    const std::uint64_t length = numberAt(header, 8, 8);
    packet.type = header.substr(48, 16);
    const bool recovery = packet.type == kRecoverySliceType;
    if (length < kHeaderBytes + 4 || length % 4 != 0 || length > fileLength - offset ||
        length - kHeaderBytes > (recovery ? kLargestReadSlice + 4 : kLargestCritical)) {
        return 0;
    }
    Md5 hash;
    hash.add(std::string_view(header).substr(32));
    packet.body.clear();
    std::string part;
    for (std::uint64_t at = kHeaderBytes; at < length; at += part.size()) {
        part.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kReadPart, length - at)));
        if (read(file, offset + at, reinterpret_cast<std::byte*>(part.data()), part.size()) !=
            part.size()) {
            return 0;
        }
        hash.add(part);
        if (!recovery || packet.body.empty()) {
            packet.body += recovery ? part.substr(0, 4) : part;
        }
    }
    if (hash.finish() != digestAt(header, 16)) {
        return 0;
    }
    packet.setId = digestAt(header, 32);
    packet.file = file;
    packet.bodyOffset = offset + kHeaderBytes;
    packet.bodyLength = length - kHeaderBytes;
    return length;
}

// Every sound packet of the files. Where a packet is damaged the next is looked for four bytes
// on, as packets are aligned so.
std::vector<Packet> soundPackets(const std::vector<std::uint64_t>& lengths,
                                 const ReadFileAt& read) {
    std::vector<Packet> packets;
    std::set<Md5Digest> seen;
    for (std::size_t file = 0; file < lengths.size(); ++file) {
        for (std::uint64_t offset = 0; lengths[file] - offset >= kHeaderBytes;) {
            Packet packet;
            const std::uint64_t length = soundPacket(read, file, offset, lengths[file], packet);
            offset += length == 0 ? 4 : length;
            // Each volume repeats the critical packets: one of each is enough.
            if (length != 0 && (packet.type == kRecoverySliceType ||
                                seen.insert(md5Of(packet.type + packet.body)).second)) {
                packets.push_back(std::move(packet));
            }
        }
    }
    return packets;
}

bool takeMain(const Packet& packet, ReadRecoverySet& set) {
    const std::string& body = packet.body;
    if (body.size() < 12) {
        return false;
    }
    const std::uint64_t sliceSize = numberAt(body, 0, 8);
    const std::uint64_t count = numberAt(body, 8, 4);
    if (sliceSize == 0 || sliceSize % 4 != 0 || sliceSize > kLargestReadSlice ||
        count > gf16::kInputConstants || body.size() < 12 + 16 * count) {
        return false;
    }
    set.setId = packet.setId;
    set.sliceSize = sliceSize;
    for (std::size_t i = 0; i < count; ++i) {
        set.ids.push_back(digestAt(body, 12 + 16 * i));
    }
    return true;
}

void takeDescription(const Packet& packet, std::map<Md5Digest, InputFile>& described) {
    const std::string& body = packet.body;
    if (body.size() < 56) {
        return;
    }
    InputFile file;
    file.hash = digestAt(body, 16);
    file.hash16k = digestAt(body, 32);
    file.length = numberAt(body, 48, 8);
    file.name = body.substr(56, body.find('\0', 56) - 56);
    // The ID is the file's own, or the packet describes another.
    if (file.id() == digestAt(body, 0)) {
        described.emplace(file.id(), std::move(file));
    }
}

void takeSliceSums(const Packet& packet, ReadRecoverySet& set,
                   std::map<Md5Digest, InputFile>& described) {
    const std::string& body = packet.body;
    const auto file = body.size() >= 16 ? described.find(digestAt(body, 0)) : described.end();
    if (file == described.end() || (body.size() - 16) % 20 != 0 ||
        (body.size() - 16) / 20 != (file->second.length + set.sliceSize - 1) / set.sliceSize) {
        return;
    }
    for (std::size_t at = 16; at < body.size(); at += 20) {
        file->second.slices.emplace_back(digestAt(body, at),
                                         static_cast<std::uint32_t>(numberAt(body, at + 16, 4)));
    }
    set.files.insert(*file);
}

}  // namespace

const InputFile* ReadRecoverySet::file(const std::string& name) const {
    for (const auto& [id, described] : files) {
        if (described.name == name) {
            return &described;
        }
    }
    return nullptr;
}

std::optional<ReadRecoverySet> readRecoverySet(const std::vector<std::uint64_t>& lengths,
                                               const ReadFileAt& read) {
    const std::vector<Packet> packets = soundPackets(lengths, read);
    ReadRecoverySet set;
    const auto main = std::find_if(packets.begin(), packets.end(), [&](const Packet& packet) {
        return packet.type == kMainType && takeMain(packet, set);
    });
    if (main == packets.end()) {
        return std::nullopt;
    }
    const auto ours = [&](const Packet& packet, std::string_view type) {
        return packet.type == type && packet.setId == set.setId;
    };
    std::map<Md5Digest, InputFile> described;
    for (const Packet& packet : packets) {
        if (ours(packet, kFileDescriptionType)) {
            takeDescription(packet, described);
        }
    }
    for (const Packet& packet : packets) {
        if (ours(packet, kSliceChecksumType)) {
            takeSliceSums(packet, set, described);
        }
        if (ours(packet, kRecoverySliceType) && packet.bodyLength == 4 + set.sliceSize) {
            const auto exponent = static_cast<std::uint32_t>(numberAt(packet.body, 0, 4));
            set.recovery.emplace(exponent, RecoverySliceAt{packet.file, packet.bodyOffset + 4});
        }
    }
    // Only the files the main packet lists belong to the set.
    std::erase_if(set.files, [&](const auto& entry) {
        return std::find(set.ids.begin(), set.ids.end(), entry.first) == set.ids.end();
    });
    return set;
}

}  // namespace roruvez::par2

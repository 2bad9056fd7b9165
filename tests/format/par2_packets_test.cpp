#include "format/par2_reader.h"
#include "format/par2_set.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "checks/gf16.h"
#include "checks/recovery_data.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

using testing::patternBytes;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

// The field's arithmetic as the recovery data needs it: the input constants are the ones the
// format lists, division undoes multiplication, and the region kernel is the word-wise product.
TEST(Gf16, TheConstantsAndTheKernelAreTheFormatsOwn) {
    const gf16::Value listed[] = {2, 4, 16, 128, 256, 2048, 8192, 16384, 4107, 32856, 17132};
    for (std::uint32_t i = 0; i < std::size(listed); ++i) {
        EXPECT_EQ(gf16::inputConstant(i), listed[i]) << i;
    }
    // The vector path and the portable one, over whole vectors and a tail.
    for (const auto kernel : {gf16::multiplyAdd, gf16::multiplyAddPortable}) {
        for (const std::size_t bytes : {std::size_t{4000}, std::size_t{70}}) {
            const std::string from = patternBytes(bytes, 3);
            std::string to = patternBytes(bytes, 4);
            const std::string before = to;
            kernel(0x1234, reinterpret_cast<const std::byte*>(from.data()),
                   reinterpret_cast<std::byte*>(to.data()), from.size() / 2);
            for (std::size_t i = 0; i < from.size(); i += 2) {
                const auto word = [](const std::string& s, std::size_t at) {
                    return static_cast<gf16::Value>(static_cast<unsigned char>(s[at]) |
                                                    static_cast<unsigned char>(s[at + 1]) << 8U);
                };
                const gf16::Value product = gf16::multiply(0x1234, word(from, i));
                ASSERT_EQ(word(to, i), word(before, i) ^ product) << i;
                ASSERT_EQ(gf16::divide(product, 0x1234), word(from, i)) << i;
            }
        }
    }
}

// par2 itself judges the recovery files: it finds the set whole, and rebuilds a deleted piece
// and a damaged one from them, byte for byte (three slices lost, three slices of recovery).
TEST(Par2Packets, Par2VerifiesOurSetAndRepairsFromIt) {
    if (!testing::havePar2()) {
        GTEST_SKIP() << "no par2 here (Debian package par2)";
    }
    TempDir dir;
    const std::vector<std::pair<std::string, std::string>> pieces = {
        {"breldo.1", patternBytes(5000, 1)},
        {"breldo.2", patternBytes(5000, 2)},
        {"breldo.3", patternBytes(1233, 3)}};
    for (const auto& [name, bytes] : pieces) {
        writeFile(dir.file(name), bytes);
    }
    const auto files = par2::recoveryFiles("breldo", pieces, 2500, 3, "Roruvez test");
    for (const auto& [name, bytes] : files) {
        writeFile(dir.file(name), bytes);
    }
    // Made one recovery slice at a time, in three passes over the inputs, the set is the same.
    std::vector<par2::InputName> names;
    names.reserve(pieces.size());
    for (const auto& [name, bytes] : pieces) {
        names.push_back({name, bytes.size()});
    }
    std::map<std::string, std::string> inPasses;
    par2::RecoverySet("breldo", names, 2500, 3, 2500)
        .make(
            [&](std::size_t input, std::uint64_t offset, std::byte* data, std::size_t size) {
                pieces.at(input).second.copy(reinterpret_cast<char*>(data), size, offset);
            },
            [&](const std::string& name, std::string_view bytes) { inPasses[name] += bytes; },
            "Roruvez test");
    EXPECT_TRUE(inPasses == files);
    EXPECT_TRUE(testing::par2Says(dir.path().string(), "verify"));

    std::filesystem::remove(dir.file("breldo.2"));
    std::string damaged = pieces[2].second;
    damaged[700] ^= 1;
    writeFile(dir.file("breldo.3"), damaged);
    EXPECT_FALSE(testing::par2Says(dir.path().string(), "verify"));
    EXPECT_TRUE(testing::par2Says(dir.path().string(), "repair"));
    for (const auto& [name, bytes] : pieces) {
        EXPECT_TRUE(readFile(dir.file(name)) == bytes) << name;
    }
}

// As a copy hands them over: the inputs summed last to first, in parts of odd sizes that end
// mid-slice and mid-word, give the set that reading them whole gives. An input that is not
// what was described fails its sum.
TEST(Par2Packets, InputsSummedInAnyPartsMakeTheSameSet) {
    const std::vector<std::pair<std::string, std::string>> pieces = {
        {"breldo.1", patternBytes(20001, 1)},
        {"breldo.2", patternBytes(20001, 2)},
        {"breldo.3", patternBytes(777, 3)}};
    std::vector<par2::InputName> names;
    names.reserve(pieces.size());
    for (const auto& [name, bytes] : pieces) {
        names.push_back({name, bytes.size()});
    }
    const auto read = [&](std::size_t input, std::uint64_t offset, std::byte* data,
                          std::size_t size) {
        pieces.at(input).second.copy(reinterpret_cast<char*>(data), size, offset);
    };
    for (const std::size_t memory : {std::size_t{1} << 20, std::size_t{8000}}) {
        SCOPED_TRACE(memory);
        par2::RecoverySet set("breldo", names, 8000, 3, memory);
        set.describe(read);
        for (std::size_t input = pieces.size(); input-- > 0;) {
            const std::string& bytes = pieces[input].second;
            const auto sum = set.inputSum(input);
            for (std::size_t at = 0, part = 1; at < bytes.size(); at += part, part = part * 3 + 2) {
                part = std::min(part, bytes.size() - at);
                sum->add(reinterpret_cast<const std::byte*>(bytes.data() + at), part);
            }
            sum->finish();
        }
        std::map<std::string, std::string> files;
        set.write(
            read, [&](const std::string& name, std::string_view bytes) { files[name] += bytes; },
            "Roruvez test");
        EXPECT_TRUE(files == par2::recoveryFiles("breldo", pieces, 8000, 3, "Roruvez test"));
    }
    par2::RecoverySet set("breldo", names, 8000, 1);
    set.describe(read);
    const std::string other = patternBytes(20001, 9);
    const auto sum = set.inputSum(0);
    sum->add(reinterpret_cast<const std::byte*>(other.data()), other.size());
    EXPECT_THROW(sum->finish(), std::runtime_error);
    EXPECT_THROW(set.inputSum(3), std::out_of_range);
}

// Reads a recovery set from files held in memory, in their map's order.
std::optional<par2::ReadRecoverySet> readBack(const std::map<std::string, std::string>& files) {
    std::vector<const std::string*> bytes;
    std::vector<std::uint64_t> lengths;
    for (const auto& [name, content] : files) {
        bytes.push_back(&content);
        lengths.push_back(content.size());
    }
    return par2::readRecoverySet(
        lengths, [&](std::size_t file, std::uint64_t offset, std::byte* data, std::size_t size) {
            return bytes.at(file)->copy(reinterpret_cast<char*>(data), size, offset);
        });
}

// What our files say is read back whole, and three lost slices (a whole input and one slice of
// another) are rebuilt byte for byte from the other slices and the recovery slices. A damaged
// packet is passed over for the same packet in another file; a set no main packet describes
// soundly is no set.
TEST(Par2Reader, ReadsTheSetBackAndRebuildsLostSlicesFromIt) {
    const std::vector<std::pair<std::string, std::string>> inputs = {
        {"breldo.1", patternBytes(5000, 1)},
        {"breldo.2", patternBytes(5000, 2)},
        {"breldo.3", patternBytes(1233, 3)}};
    auto files = par2::recoveryFiles("breldo", inputs, 2500, 3, "Roruvez test");
    files["breldo.par2"][100] ^= 1;
    const auto set = readBack(files);
    ASSERT_TRUE(set.has_value());
    EXPECT_EQ(set->sliceSize, 2500U);
    EXPECT_EQ(set->files.size(), 3U);
    EXPECT_EQ(set->recovery.size(), 3U);
    ASSERT_NE(set->file("breldo.3"), nullptr);
    EXPECT_EQ(set->file("breldo.3")->length, 1233U);
    EXPECT_EQ(set->file("breldo.3")->slices.size(), 1U);

    // Constants follow the main packet's order of IDs; breldo.2's slices and breldo.3's one.
    std::vector<std::uint32_t> lost;
    std::vector<std::string> expected;
    std::vector<std::uint32_t> exponents;
    for (const auto& [exponent, at] : set->recovery) {
        exponents.push_back(exponent);
    }
    RecoveryData data(2500, exponents);
    for (std::uint32_t k = 0; k < data.count(); ++k) {
        const std::string& volume =
            std::next(files.begin(), static_cast<long>(set->recovery.at(exponents[k]).file))
                ->second;
        volume.copy(reinterpret_cast<char*>(data.slice(k).data()), 2500,
                    set->recovery.at(exponents[k]).offset);
    }
    std::uint32_t index = 0;
    for (const Md5Digest& id : set->ids) {
        const par2::InputFile& file = set->files.at(id);
        const std::string& bytes = file.name == "breldo.1"   ? inputs[0].second
                                   : file.name == "breldo.2" ? inputs[1].second
                                                             : inputs[2].second;
        for (std::size_t at = 0; at < bytes.size(); at += 2500, ++index) {
            std::string slice = bytes.substr(at, 2500);
            if (file.name == "breldo.1") {
                data.addPart(index, 0, reinterpret_cast<const std::byte*>(slice.data()),
                             slice.size());
                continue;
            }
            lost.push_back(index);
            slice.resize(2500, '\0');
            expected.push_back(slice);
        }
    }
    const auto rebuilt = data.lostSlices(lost);
    ASSERT_EQ(rebuilt.size(), expected.size());
    for (std::size_t i = 0; i < rebuilt.size(); ++i) {
        EXPECT_TRUE(std::string(reinterpret_cast<const char*>(rebuilt[i].data()), 2500) ==
                    expected[i])
            << i;
    }
    EXPECT_THROW(data.lostSlices({lost[0], lost[1]}), std::domain_error);

    for (auto& [name, bytes] : files) {
        bytes = bytes.substr(0, 200);
    }
    EXPECT_FALSE(readBack(files).has_value());
}

}  // namespace
}  // namespace roruvez

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>

#include "format/stored_name.h"
#include "join/header_reader.h"
#include "join/piece_check.h"
#include "join/piece_set.h"

namespace roruvez {
namespace {

using testing::HeaderFields;
using testing::JoinFixture;
using testing::makeSparseFile;
using testing::writeFile;

class HeaderReaderTest : public JoinFixture {};

TEST_F(HeaderReaderTest, APieceOneShorterThanTheHeaderReadsBlanksForWhatIsMissing) {
    const std::string header = testing::headerBytes({.name = "SHORT.BIN", .size = " 7"});
    writeFile(piece(1), header.substr(0, 137));
    state.PieceHeader.Stamp = "from an earlier join";

    EXPECT_EQ(ReadHeader(piece(1), context), 0);

    EXPECT_EQ(state.PieceHeader.OrigName, "SHORT.BIN   ");
    EXPECT_EQ(state.PieceHeader.OrigSize, " 7        ");
    EXPECT_EQ(state.PieceHeader.Stamp, std::string(18, ' '));
    EXPECT_EQ(surface.caption(Control::Label5), "H:  7        ");
    EXPECT_EQ(state.File1, nullptr);
}

TEST_F(HeaderReaderTest, FieldsAreTakenAtTheirOffsetsAndDecodedFromTheCodePage) {
    // Every field distinct, so a shifted offset shows.
    const HeaderFields fields{.banner = std::string(50, 'B'),
                              .title = std::string(29, 'T'),
                              .endMark = "E",
                              .maker = std::string(39, 'M') + "\x80",
                              .name = "N2345678.\xE4\xF6\xFC",
                              .size = "0123456789",
                              .stamp = std::string(17, 'S') + "\x9F"};
    writeFile(piece(1), testing::headerBytes(fields) + "data after the header");

    EXPECT_EQ(ReadHeader(piece(1), context), 0);

    const PieceHeaderRecord& header = state.PieceHeader;
    EXPECT_EQ(header.Banner, fields.banner);
    EXPECT_EQ(header.Title, fields.title);
    EXPECT_EQ(header.EndMark, "E");
    EXPECT_EQ(header.Maker, std::string(39, 'M') + "\xE2\x82\xAC");
    EXPECT_EQ(header.OrigName, "N2345678.\xC3\xA4\xC3\xB6\xC3\xBC");
    EXPECT_EQ(header.OrigSize, "0123456789");
    EXPECT_EQ(header.Stamp, std::string(17, 'S') + "\xC5\xB8");
    EXPECT_EQ(surface.caption(Control::Label9), header.OrigName);
}

TEST(UnsafeNameTest, OnlyPlainNamesPass) {
    struct Case {
        std::string name;
        bool safe;
    };
    const Case cases[] = {
        {"REPORT.DOC  ", true},
        {"a b.c", true},
        {"...", true},
        {" x", true},
        {"\xC3\xA9t\xC3\xA9", true},
        {"            ", false},
        {". ", false},
        {"..", false},
        {"x/", false},
        {"\\x", false},
        {"x\x7F", false},
        {"x\xC2\x85", false},
        {std::string("\0", 1), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(unsafeNameReason(c.name).empty(), c.safe) << "name \"" << c.name << "\"";
    }
}

TEST(SizeFieldTest, ReadsASignedDecimalBetweenBlanks) {
    struct Case {
        std::string field;
        std::optional<std::int64_t> value;
    };
    const Case cases[] = {
        {" 3500000  ", 3500000},       {"9999999999", 9999999999},
        {"      -160", -160},          {"+0        ", 0},
        {"          ", std::nullopt},  {" 35 00    ", std::nullopt},
        {" 3500000x ", std::nullopt},  {" -        ", std::nullopt},
        {"\t3500000  ", std::nullopt}, {"--5       ", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readSizeField(c.field), c.value) << "field \"" << c.field << "\"";
    }
}

class PieceCheckTest : public JoinFixture {};

TEST_F(PieceCheckTest, ASumBeyondThirtyTwoBitsIsCounted) {
    makeSparseFile(piece(1), 2500000000);
    makeSparseFile(piece(2), 2500000000);
    state.PieceHeader.OrigSize = "4999999840";

    EXPECT_EQ(CheckPieces(dir.prefix(), context), 0);

    EXPECT_EQ(state.TotalBytes, 4999999840);
    EXPECT_EQ(state.PieceCount, 2);
    EXPECT_FALSE(state.SizeMismatch);
}

TEST_F(PieceCheckTest, AtMost32766PiecesCanBeCounted) {
    state.PieceHeader.OrigSize = " 0        ";
    for (int number = 1; number <= 32766; ++number) {
        const int fd = ::open(piece(number).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    writeFile(piece(1), std::string(160, ' '));

    EXPECT_EQ(CheckPieces(dir.prefix(), context), 0);
    EXPECT_EQ(state.PieceCount, 32766);
    EXPECT_EQ(state.TotalBytes, 0);

    writeFile(piece(32767), "");
    EXPECT_EQ(CheckPieces(dir.prefix(), context), 1);
    EXPECT_EQ(surface.prompts(), (std::vector<std::string>{"Overflow"}));
    EXPECT_EQ(state.PieceCount, 32766);
}

TEST_F(PieceCheckTest, ADriveWithoutADiskFails) {
    state.PieceHeader.OrigSize = " 0        ";
    // a: is a floppy drive with no disk in it.
    EXPECT_EQ(CheckPieces("a:", context), 1);
    EXPECT_EQ(surface.prompts(), (std::vector<std::string>{"Drive not ready"}));
}

}  // namespace
}  // namespace roruvez

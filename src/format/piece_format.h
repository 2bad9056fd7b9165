#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace roruvez {

// A piece set is breldo.1, breldo.2, ... in one directory. Piece 1 starts with a header of
// kHeaderLength characters that records the source's name and size; after it, and in the pieces
// that follow, come the source's bytes in order. Every piece but the last holds the piece size.
inline constexpr const char* kPieceBaseName = "breldo.";
inline constexpr std::string_view kFirstPieceName = "breldo.1";
inline constexpr std::int32_t kHeaderLength = 160;
inline constexpr std::int32_t kDefaultPieceSize = 1400000;
inline constexpr const char* kDefaultPieceSizeText = "1400000";

// The piece-size rule, for the window's box, the console and the split alike: a piece holds more
// than the header and is counted in 32 bits; a size of 0 to kHeaderLength asked for (an empty
// box, letters) means the default, and a negative one is no piece size at all.
inline constexpr std::int64_t kLargestPieceSize = 2147483647;
constexpr bool isPieceSize(std::int64_t bytes) {
    return bytes > kHeaderLength && bytes <= kLargestPieceSize;
}
constexpr std::int32_t pieceSizeOrDefault(std::int32_t asked) {
    return asked >= 0 && asked <= kHeaderLength ? kDefaultPieceSize : asked;
}
inline constexpr std::int16_t kMaxPieces = 10000;
// The largest source the header's ten-character size field records: ten digits, with no room
// left for the blank that stands before a shorter size.
inline constexpr std::int64_t kMaxSourceLength = 9999999999;

inline constexpr const char* kBannerText = "Velmora RORUVEZ";
inline constexpr const char* kMakerText = "Velmora Software Works Ltd.";
inline constexpr char kEndMark = '\x1A';

// The fields of the header in their order; each is padded with blanks to its width.
enum class HeaderField { Banner, Title, EndMark, Maker, FileName, FileSize, Stamp };

struct HeaderFieldLayout {
    HeaderField field;
    std::size_t offset;
    std::size_t width;
};

inline constexpr std::array<HeaderFieldLayout, 7> kHeaderLayout = {{
    {HeaderField::Banner, 0, 50},
    {HeaderField::Title, 50, 29},
    {HeaderField::EndMark, 79, 1},
    {HeaderField::Maker, 80, 40},
    {HeaderField::FileName, 120, 12},
    {HeaderField::FileSize, 132, 10},
    {HeaderField::Stamp, 142, 18},
}};

constexpr const HeaderFieldLayout& layoutOf(HeaderField field) {
    return kHeaderLayout[static_cast<std::size_t>(field)];
}

constexpr bool headerLayoutIsWhole() {
    std::size_t at = 0;
    for (std::size_t i = 0; i < kHeaderLayout.size(); ++i) {
        if (static_cast<std::size_t>(kHeaderLayout[i].field) != i ||
            kHeaderLayout[i].offset != at) {
            return false;
        }
        at += kHeaderLayout[i].width;
    }
    return at == static_cast<std::size_t>(kHeaderLength);
}
static_assert(headerLayoutIsWhole(), "the header's fields must follow one another and fill it");

// The field of a header (its bytes in the code page, padding included); what there is of it when
// the header is cut short.
std::string_view headerField(std::string_view header, HeaderField field);

// The size field's text for a source of length bytes (0 to kMaxSourceLength), before padding:
// a blank where a sign would stand, then the digits; ten digits fill the field alone. A reader
// that allows blanks around the digits reads both forms.
std::string sizeFieldText(std::int64_t length);
// The size a field records: an optional sign and decimal digits, blanks around them allowed.
// Nothing for any other text.
std::optional<std::int64_t> readSizeField(const std::string& field);

// prefix + "breldo." + number, the number in plain decimal. A set read from media that show
// names in upper case may spell "breldo." otherwise; baseName is that spelling.
std::string pieceName(const std::string& prefix, int number,
                      std::string_view baseName = kPieceBaseName);

// The number of a piece name in any case ("breldo.7", "BRELDO.7") as a split writes it, from 1
// to kMaxPieces; nothing for any other name.
std::optional<int> pieceNumberOf(std::string_view name);

// A first piece is any path whose last eight characters are "breldo.1" in any case.
bool isFirstPieceName(std::string_view path);

// The recovery data's index beside the pieces, "breldo.par2", which a join may be given in place
// of a lost piece 1: any path whose last eleven characters are that name in any case.
inline constexpr std::string_view kRecoveryIndexName = "breldo.par2";
bool isRecoveryIndexName(std::string_view path);
// Piece 1 beside the index, spelled as the index is ("BRELDO.PAR2" gives "BRELDO.1").
std::string firstPieceBesideIndex(const std::string& indexPath);

}  // namespace roruvez

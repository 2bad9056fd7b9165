#include "format/piece_format.h"

#include <gtest/gtest.h>

namespace roruvez {
namespace {

TEST(PieceFormat, AFirstPieceNameEndsInTheFirstPiecesNameInAnyCase) {
    struct Case {
        const char* path;
        bool firstPiece;
    };
    const Case cases[] = {{"/d/breldo.1", true},   {"/d/BRELDO.1", true},  {"/d/xBreldo.1", true},
                          {"breldo.1", true},      {"reldo.1", false},     {"/d/breldo.10", false},
                          {"/d/breldo.1 ", false}, {"/d/breldo_1", false}, {"", false}};
    for (const Case& c : cases) {
        EXPECT_EQ(isFirstPieceName(c.path), c.firstPiece) << c.path;
    }
}

}  // namespace
}  // namespace roruvez

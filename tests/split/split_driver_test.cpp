#include "split/split_driver.h"

#include <gtest/gtest.h>

#include "split/piece_format.h"
#include "support/job_fixture.h"

namespace roruvez {
namespace {

using testing::JobFixture;
using testing::patternBytes;
using testing::readFile;
using testing::writeFile;

class SplitTest : public JobFixture {};

TEST_F(SplitTest, ThreeAndAHalfMegabytesMakeThreePieces) {
    const std::string source = patternBytes(3500000);
    const std::string path = dir.file("REPORT.DOC");
    writeFile(path, source);

    SplitFile(path, context);

    const std::string piece1 = readFile(dir.file("breldo.1"));
    const std::string piece2 = readFile(dir.file("breldo.2"));
    const std::string piece3 = readFile(dir.file("breldo.3"));
    EXPECT_EQ(piece1.size(), 1400000U);
    EXPECT_EQ(piece2.size(), 1400000U);
    EXPECT_EQ(piece3.size(), 700160U);
    EXPECT_EQ(piece1.substr(160) + piece2 + piece3, source);
    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
}

}  // namespace
}  // namespace roruvez

#include "join/join_driver.h"

#include <gtest/gtest.h>

#include "split/split_driver.h"
#include "support/job_fixture.h"

namespace roruvez {
namespace {

using testing::JobFixture;
using testing::listDir;
using testing::patternBytes;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

class JoinRoundTrip : public JobFixture {};

TEST_F(JoinRoundTrip, SplitThenJoinGivesTheSourceBack) {
    const std::string source = patternBytes(3500000);
    TempDir sourceDir;
    writeFile(sourceDir.file("REPORT.DOC"), source);
    surface.check1 = 1;
    drives.bind('d', dir.path().string());
    surface.drive = "d: [" + dir.path().string() + "]";
    SplitFile(sourceDir.file("REPORT.DOC"), context);
    ASSERT_EQ(surface.caption(Control::Label9), "Done!");

    surface.check1 = 0;
    JoinFiles(dir.file("breldo.1"), context);

    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_EQ(readFile(dir.file("REPORT.DOC")), source);
    EXPECT_EQ(listDir(dir.path()),
              (std::vector<std::string>{"REPORT.DOC", "breldo.1", "breldo.2", "breldo.3"}));
}

}  // namespace
}  // namespace roruvez

#include "support/job_fixture.h"

#include "join/join_driver.h"
#include "split/split_driver.h"
#include "support/deadline.h"

namespace roruvez::testing {

void JobFixture::runSplit(const std::string& path, const std::string& pieceSize) {
    surface.setText(Control::Text2, pieceSize);
    surface.clearHistory();
    state.FilePath = path;
    mustFinishWithin(jobLimit, "the split",
                     [&] { SplitFile(state.FilePath, *jobContext, request); });
}

void JobFixture::runJoin(const std::string& piece1) {
    surface.setEnabled(Control::Command3, true);
    surface.clearHistory();
    state.FilePath = piece1;
    mustFinishWithin(jobLimit, "the join", [&] { JoinFiles(state.FilePath, *jobContext); });
}

}  // namespace roruvez::testing

#include "support/job_fixture.h"

namespace roruvez::testing {

JobFixture::JobFixture() {
    state.MaxPieces = 10000;
}

}  // namespace roruvez::testing

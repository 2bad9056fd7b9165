#include "split/piece_writer.h"

namespace roruvez {

void writePiece(const std::string& piecePath, int number, const std::string& header,
                std::int32_t count, std::int64_t jobDone, Context& context) {
    JobState& state = context.state;
    try {
        state.File2 = context.platform.files.createOutput(piecePath);
        state.File2->write(reinterpret_cast<const std::byte*>(header.data()), header.size());
        const CopyStart start{static_cast<std::int64_t>(header.size()), jobDone, state.SourceLen};
        state.File1->copyTo(*state.File2, count, state.Buffer,
                            copyProgress(context, piecePath, number, start));
        state.File2->publish();
        state.File2.reset();
    } catch (const std::exception&) {
        state.discardOutput();
        throw;
    }
}

}  // namespace roruvez

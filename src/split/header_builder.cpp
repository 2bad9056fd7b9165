#include "split/header_builder.h"

#include <array>

#include "format/piece_format.h"
#include "platform/error.h"
#include "state/failure_texts.h"
#include "state/status_texts.h"
#include "text/text.h"

namespace roruvez {

namespace {

// The stamp as the header records it: " 06Dec2026 14:05", the blank where a sign would stand.
std::string stampText(Clock& clock) {
    const LocalTime now = clock.now();
    std::string stamp(1, ' ');
    stamp += zeroPadded(now.day, 2);
    stamp += clock.monthAbbreviation(now.month);
    stamp += zeroPadded(now.year, 4);
    stamp += ' ';
    stamp += zeroPadded(now.hour, 2);
    stamp += ':';
    stamp += zeroPadded(now.minute, 2);
    return stamp;
}

// Opened before any disk prompt and measured on the descriptor the pieces are read from; what
// it measured is what the pieces are held to.
std::int64_t openAndMeasureSource(JobState& state, FileSystem& files) {
    state.File1 = files.openRead(state.SourcePath);
    state.SourceStatus = state.File1->status();
    state.SourceLen = state.SourceStatus.length;
    if (state.SourceLen > kMaxSourceLength) {
        throw PlatformError(error_text::kSourceTooLarge + std::to_string(state.SourceLen) +
                                error_text::kSourceLimit + std::to_string(kMaxSourceLength) +
                                " bytes",
                            state.SourcePath);
    }
    return state.SourceLen;
}

std::int16_t buildHeader(const std::string& name, Context& context) {
    JobState& state = context.state;
    context.surface.showStatus(status_text::kHeader + name);
    state.HeaderText = std::string(kHeaderLength, ' ');
    state.SourceLen = openAndMeasureSource(state, context.platform.files);

    // Each field's value in HeaderField's order, padded to its width below.
    std::array<std::string, kHeaderLayout.size()> fields = {kBannerText,
                                                            name,
                                                            std::string(1, kEndMark),
                                                            kMakerText,
                                                            name,
                                                            sizeFieldText(state.SourceLen),
                                                            stampText(context.platform.clock)};
    std::string text;
    for (const HeaderFieldLayout& layout : kHeaderLayout) {
        std::string& field = fields[static_cast<std::size_t>(layout.field)];
        field = padToWidth(field, layout.width);
        text += field;
    }
    const auto padded = [&](HeaderField field) -> const std::string& {
        return fields[static_cast<std::size_t>(field)];
    };
    state.HdrBanner = padded(HeaderField::Banner);
    state.HdrTitle = padded(HeaderField::Title) + padded(HeaderField::EndMark);
    state.HdrMaker = padded(HeaderField::Maker);
    state.HdrFileName = padded(HeaderField::FileName);
    state.HdrFileSize = padded(HeaderField::FileSize);
    state.HdrStamp = padded(HeaderField::Stamp);
    state.HeaderText = std::move(text);
    context.surface.reached(JobPoint::SourceMeasured, state.SourcePath);
    return 0;
}

}  // namespace

std::int16_t BuildHeader(const std::string& name, Context& context) {
    return trapFailuresDroppingInput(context, [&] { return buildHeader(name, context); });
}

}  // namespace roruvez

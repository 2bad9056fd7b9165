#include "split/header_builder.h"

#include <limits>

#include "platform/error.h"
#include "platform/text.h"

namespace roruvez {

namespace {

std::size_t widthOf(HeaderField field) {
    return layoutOf(field).width;
}

}  // namespace

std::int16_t BuildHeader(const std::string& name, Context& context) {
    JobState& state = context.state;
    return trapFailures(
        context,
        [&]() -> std::int16_t {
            context.surface.setCaption(Control::Label9, "BH: " + name);
            state.HeaderText = std::string(kHeaderLength, ' ');
            state.HdrBanner = padToWidth(kBannerText, widthOf(HeaderField::Banner));
            state.HdrTitle = padToWidth(name, widthOf(HeaderField::Title)) + kEndMark;
            state.HdrMaker = padToWidth(kMakerText, widthOf(HeaderField::Maker));
            state.HdrFileName = padToWidth(name, widthOf(HeaderField::FileName));
            // Opened before any disk prompt and measured on the descriptor the pieces are read
            // from.
            state.File1 = context.platform.files.openRead(state.SourcePath);
            const std::int64_t length = state.File1->status().length;
            if (length > std::numeric_limits<std::int32_t>::max()) {
                throw PlatformError(error_text::kOverflow, state.SourcePath);
            }
            state.SourceLen = static_cast<std::int32_t>(length);
            // The blank stands where a minus sign would.
            std::string size(1, ' ');
            size += std::to_string(state.SourceLen);
            state.HdrFileSize = padToWidth(size, widthOf(HeaderField::FileSize));
            Clock& clock = context.platform.clock;
            const LocalTime now = clock.now();
            std::string stamp(1, ' ');
            stamp += zeroPadded(now.day, 2);
            stamp += clock.monthAbbreviation(now.month);
            stamp += zeroPadded(now.year, 4);
            stamp += ' ';
            stamp += zeroPadded(now.hour, 2);
            stamp += ':';
            stamp += zeroPadded(now.minute, 2);
            state.HdrStamp = padToWidth(stamp, widthOf(HeaderField::Stamp));
            state.HeaderText = state.HdrBanner + state.HdrTitle + state.HdrMaker +
                               state.HdrFileName + state.HdrFileSize + state.HdrStamp;
            context.surface.reached(JobPoint::SourceMeasured, state.SourcePath);
            return 0;
        },
        [&] { state.File1.reset(); });
}

}  // namespace roruvez

#pragma once

#include <QString>
#include <string>

namespace roruvez {

// The core's text is bytes, UTF-8 as a rule; a file name may hold any byte but '/' and NUL.
// fromText decodes valid UTF-8 as QString::fromUtf8 does and turns each byte that is not part of
// it into a lone surrogate U+DC80..U+DCFF; toText turns exactly those back into their bytes and
// encodes everything else as QString::toUtf8 does. So any name survives a trip through a widget.
QString fromText(const std::string& text);
std::string toText(const QString& text);

}  // namespace roruvez

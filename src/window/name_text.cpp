#include "window/name_text.h"

#include <QByteArray>
#include <QStringView>
#include <string_view>

namespace roruvez {

namespace {

constexpr char16_t kFirstEscape = 0xDC80;  // byte 0x80
constexpr char16_t kLastEscape = 0xDCFF;   // byte 0xFF

bool isContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence at the start of text, or 0. Overlong forms,
// encoded surrogates and values above U+10FFFF are not well formed.
std::size_t sequenceLength(std::string_view text) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || !isContinuation(at(1), low, high)) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(at(i))) {
            return 0;
        }
    }
    return length;
}

void appendUtf8(QString& out, std::string_view run) {
    if (!run.empty()) {
        out.append(QString::fromUtf8(run.data(), static_cast<qsizetype>(run.size())));
    }
}

void appendUtf8(std::string& out, QStringView run) {
    if (!run.isEmpty()) {
        const QByteArray bytes = run.toUtf8();
        out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
}

}  // namespace

QString fromText(const std::string& text) {
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    const std::string_view all(text);
    std::size_t runStart = 0;
    std::size_t i = 0;
    while (i < all.size()) {
        const std::size_t length = sequenceLength(all.substr(i));
        if (length > 0) {
            i += length;
            continue;
        }
        appendUtf8(out, all.substr(runStart, i - runStart));
        out.append(QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(all[i]))));
        runStart = ++i;
    }
    appendUtf8(out, all.substr(runStart));
    return out;
}

std::string toText(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    const QStringView all(text);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const char16_t unit = all[i].unicode();
        // The low half of a pair is a character of its own, never an escaped byte.
        const bool lone = i == 0 || !all[i - 1].isHighSurrogate();
        if (unit < kFirstEscape || unit > kLastEscape || !lone) {
            continue;
        }
        appendUtf8(out, all.sliced(runStart, i - runStart));
        out.push_back(static_cast<char>(unit - 0xDC00));
        runStart = i + 1;
    }
    appendUtf8(out, all.sliced(runStart));
    return out;
}

}  // namespace roruvez

// File names are bytes: they reach the window's widgets and come back from them byte for byte.

#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "window/name_text.h"

namespace roruvez {
namespace {

std::string hex(const std::string& bytes) {
    static const char* const kDigits = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 15];
        out += ' ';
    }
    return out;
}

TEST(NameTextTest, EveryByteStringComesBackAndTextReadsAsUtf8) {
    const struct {
        const char* what;
        std::string bytes;
        int escaped;  // bytes that are not part of well-formed UTF-8
    } cases[] = {
        {"ASCII with a blank at the end", "report.doc ", 0},
        {"accented, two bytes each",
         "Gr\xC3\xB6\xC3\x9F"
         "e.bin",
         0},
        {"three bytes", "\xE6\x97\xA5.txt", 0},
        {"four bytes", "\xF0\x9F\x98\x80", 0},
        {"the last code point", "\xF4\x8F\xBF\xBF", 0},
        {"a stray FF", "a\xFF.bin", 1},
        {"Latin-1 as it stands", "caf\xE9.bin", 1},
        {"a lone continuation byte",
         "a\x80"
         "b",
         1},
        {"a sequence cut short", "a\xE6\x97", 2},
        {"a sequence cut short by ASCII",
         "\xF0\x9F\x98"
         "x",
         3},
        {"overlong '/'", "\xC0\xAF", 2},
        {"overlong three bytes", "\xE0\x80\xAF", 3},
        {"a surrogate encoded in UTF-8", "\xED\xB2\x80", 3},
        {"a pair of encoded surrogates", "\xED\xA0\x80\xED\xB0\x80", 6},
        {"above the last code point", "\xF4\x90\x80\x80", 4},
        {"never a lead byte", "\xF8\x88\x80\x80\x80", 5},
        {"escaped bytes around a real character", "\xFF\xC3\xA9\xFE", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString shown = fromText(c.bytes);
        EXPECT_EQ(toText(shown), c.bytes) << hex(toText(shown));
        int lone = 0;
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const bool paired =
                shown[i].isLowSurrogate() && i > 0 && shown[i - 1].isHighSurrogate();
            lone += shown[i].isLowSurrogate() && !paired ? 1 : 0;
        }
        EXPECT_EQ(lone, c.escaped);
        if (c.escaped == 0) {
            EXPECT_EQ(shown,
                      QString::fromUtf8(c.bytes.data(), static_cast<qsizetype>(c.bytes.size())));
        }
    }

    // Each of the 256 bytes alone, and all of them in a row.
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(toText(fromText(one)), one) << byte;
        all += one;
    }
    EXPECT_EQ(toText(fromText(all)), all);

    // Strings that no name gives encode exactly as toUtf8 does: U+10080 is a pair whose low half
    // is in the escape range, and lone surrogates outside that range are no bytes.
    const QString paired = QString::fromUcs4(U"x\U00010080y");
    const QString loneHigh = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
    const QString loneLow = QStringLiteral("a") + QChar(0xDC10) + QStringLiteral("b");
    const QString highThenEscape = QString(QChar(0xD800)) + QChar(0xD800) + QChar(0xDC80);
    for (const QString& text : {paired, loneHigh, loneLow, highThenEscape}) {
        const QByteArray utf8 = text.toUtf8();
        EXPECT_EQ(toText(text),
                  std::string(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    }
    EXPECT_EQ(fromText(toText(paired)), paired);
}

}  // namespace
}  // namespace roruvez

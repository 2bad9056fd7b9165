// File names are bytes: they reach the window's widgets and come back from them, and from the
// desktop's file URLs, byte for byte.

#include <gtest/gtest.h>

#include <QString>
#include <optional>
#include <string>

#include "window/file_url.h"
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

TEST(FileUrlTest, LocalFileUrlsGiveTheBytesOfTheirPathAndNothingElseIsAFile) {
    const struct {
        const char* url;
        std::optional<std::string> path;
    } cases[] = {
        {"file:///tmp/a%FF.bin", "/tmp/a\xFF.bin"},
        {"file:///tmp/a%ff%fe", "/tmp/a\xFF\xFE"},
        {"file:///tmp/caf%C3%A9%20x%25.bin", "/tmp/caf\xC3\xA9 x%.bin"},
        {"file://localhost/tmp/x", "/tmp/x"},
        {"FILE://LocalHost/tmp/x", "/tmp/x"},
        {"file:/tmp/x", "/tmp/x"},
        {"file:///tmp/caf\xC3\xA9", "/tmp/caf\xC3\xA9"},
        {"file:///tmp/100%", "/tmp/100%"},
        {"file:///tmp/a%2", "/tmp/a%2"},
        {"file:///tmp/a%zz", "/tmp/a%zz"},
        {"file:///tmp/a%3Fb%23c", "/tmp/a?b#c"},
        {"file:///tmp/a?query#part", "/tmp/a"},
        {"file:///", "/"},
        {"file://elsewhere/tmp/x", std::nullopt},
        {"file://localhost.example/tmp/x", std::nullopt},
        {"file:relative", std::nullopt},
        {"file://", std::nullopt},
        {"file:///tmp/a%2Fb", std::nullopt},
        {"file:///tmp/a%00b", std::nullopt},
        {"http://host/tmp/x", std::nullopt},
        {"/tmp/x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(localPathOfUrl(c.url), c.path) << c.url;
    }

    const std::string list =
        "# written by a file manager\r\n"
        "file:///tmp/one%FF\r\n"
        "http://host/page\r\n"
        "\r\n"
        "file://elsewhere/tmp/x\r\n"
        "file:///tmp/two\n"
        "  file:///tmp/three  \r\n"
        "file:///tmp/four";
    EXPECT_EQ(localPathsOfUriList(list),
              (std::vector<std::string>{"/tmp/one\xFF", "/tmp/two", "/tmp/three", "/tmp/four"}));
    EXPECT_TRUE(localPathsOfUriList("").empty());
    EXPECT_TRUE(localPathsOfUriList("just words\r\n").empty());
}

}  // namespace
}  // namespace roruvez

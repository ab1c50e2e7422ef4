#include "protocol/rtf_writer.h"

#include "rtf_test_reader.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

TEST(RtfWriter, RoundTripsTextAndColours) {
    const std::vector<RtfTestLine> lines{
        {QStringLiteral("Managed protocol"), 0x000080},
        {QStringLiteral("Tx :FF"), 0x000080},
        {QStringLiteral("Температура охлаждающей жидкости"), 0xFF0000},
        {QStringLiteral("braces {a} and \\ back\\slash \\par {\\rtf1}"), 0x008000},
        {QString(), 0x800080},
        {QStringLiteral("tab\there"), 0x0000FF},
        {QStringLiteral("price 5 € ÿ ё Ё"), 0x000000},
        {QString::fromUcs4(U"outside the plane: \U0001F697 car"), 0x123456},
        {QStringLiteral("  leading blanks and trailing  "), 0x000080},
    };
    RtfWriter writer;
    for (const RtfTestLine& l : lines)
        writer.addLine(l.text, l.colour);
    const QByteArray rtf = writer.document();

    const RtfTestDocument doc = readTestRtf(rtf);
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString() << "\n" << rtf.toStdString();
    EXPECT_EQ(doc.lines, lines);
    // One table entry per distinct colour, in order of first use.
    EXPECT_EQ(doc.colours, (std::vector<std::uint32_t>{0x000080, 0xFF0000, 0x008000, 0x800080,
                                                       0x0000FF, 0x000000, 0x123456}));
    EXPECT_TRUE(rtf.contains("\\uc1"));
    EXPECT_TRUE(rtf.contains("{\\colortbl;\\red0\\green0\\blue128;"));
}

TEST(RtfWriter, EscapesAsSigned16BitUnits) {
    struct Case {
        QString text;
        const char* rtf;
    };
    const Case cases[] = {
        {QStringLiteral("Ж"), "\\u1046?"},
        {QStringLiteral("я"), "\\u1103?"},
        {QString(QChar(0xFFFD)), "\\u-3?"},
        {QString::fromUcs4(U"\U0001F697"), "\\u-10179?\\u-8553?"},
        {QStringLiteral("a{b}c\\"), "a\\{b\\}c\\\\"},
        {QStringLiteral("x\r\ny\nz"), "x\\line y\\line z"},
        {QString(QChar(0x07)), "\\u7?"},
        {QString(QChar(0x7F)), "\\u127?"},
        {QString(QChar(0xA0)), "\\u160?"},
    };
    for (const Case& c : cases) {
        QByteArray out;
        RtfWriter::appendEscaped(out, c.text);
        EXPECT_EQ(out, QByteArray(c.rtf));
    }
}

TEST(RtfWriter, EmptyDocumentIsValid) {
    const QByteArray rtf = RtfWriter().document();
    const RtfTestDocument doc = readTestRtf(rtf);
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    EXPECT_TRUE(doc.lines.empty());
    EXPECT_TRUE(doc.colours.empty());
    EXPECT_TRUE(rtf.contains("{\\colortbl;}"));
}

TEST(RtfWriter, LargeDocumentsAreWrittenWhole) {
    RtfWriter writer;
    const int count = 20000; // several write chunks
    for (int i = 0; i < count; ++i)
        writer.addLine(QStringLiteral("Строка %1 {x}").arg(i), i % 3 == 0 ? 0xFF0000 : 0x008000);
    const RtfTestDocument doc = readTestRtf(writer.document());
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    ASSERT_EQ(doc.lines.size(), std::size_t(count));
    EXPECT_EQ(doc.lines.back().text, QStringLiteral("Строка 19999 {x}"));
    EXPECT_EQ(doc.lines[3].colour, 0xFF0000u);
    EXPECT_EQ(doc.lines[4].colour, 0x008000u);
}

TEST(RtfWriter, ReportsADeviceThatStopsWriting) {
    RtfWriter writer;
    writer.addLine(QStringLiteral("line"), 0);
    QBuffer closed; // never opened: every write fails
    EXPECT_FALSE(writer.writeTo(closed));
}

} // namespace

#pragma once

// Reads back exactly what our RTF writer produces: the colour table, \cfN, \uN?
// under \uc1, the \ \{ \} escapes, \tab, \line and \par. Anything it does not
// understand is a test failure, so a writer change cannot slip past unnoticed.

#include <QByteArray>
#include <QString>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

struct RtfTestLine {
    QString text;
    std::uint32_t colour;
    bool operator==(const RtfTestLine&) const = default;
};

struct RtfTestDocument {
    std::vector<std::uint32_t> colours; // table entries 1..n
    std::vector<RtfTestLine> lines;
    QString error; // empty when the document parsed
};

inline RtfTestDocument readTestRtf(const QByteArray& rtf) {
    RtfTestDocument doc;
    auto fail = [&](const QString& why) {
        doc.error = why;
        return doc;
    };
    for (char c : rtf) {
        if (static_cast<unsigned char>(c) > 127)
            return fail(QStringLiteral("non-ASCII byte"));
    }
    if (!rtf.startsWith("{\\rtf1"))
        return fail(QStringLiteral("no {\\rtf1 header"));

    const qsizetype tableAt = rtf.indexOf("{\\colortbl;");
    if (tableAt < 0)
        return fail(QStringLiteral("no colour table"));
    const qsizetype tableEnd = rtf.indexOf('}', tableAt);
    const QByteArray table = rtf.mid(tableAt + 11, tableEnd - tableAt - 11);
    for (const QByteArray& entry : table.split(';')) {
        if (entry.isEmpty())
            continue;
        int r = -1, g = -1, b = -1;
        if (std::sscanf(entry.constData(), "\\red%d\\green%d\\blue%d", &r, &g, &b) != 3)
            return fail(QStringLiteral("bad colour entry ") + QString::fromLatin1(entry));
        doc.colours.push_back(std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b));
    }

    // Braces must balance over the whole document, escaped ones aside.
    int depth = 0;
    std::uint32_t colour = 0;
    bool haveColour = false;
    QString text;
    bool inBody = false;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{') {
            ++depth;
            continue;
        }
        if (c == '}') {
            if (--depth < 0)
                return fail(QStringLiteral("unbalanced }"));
            if (depth == 0 && i + 1 < rtf.size() && rtf.mid(i + 1).trimmed().size() > 0)
                return fail(QStringLiteral("text after the document"));
            continue;
        }
        if (c == '\n' || c == '\r')
            continue;
        if (depth != 1)
            continue; // font and colour tables
        if (c == '\\') {
            const char n = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
            if (n == '\\' || n == '{' || n == '}') {
                text.append(QLatin1Char(n));
                ++i;
                continue;
            }
            qsizetype j = i + 1;
            while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j])))
                ++j;
            const QByteArray word = rtf.mid(i + 1, j - i - 1);
            qsizetype k = j;
            if (k < rtf.size() && rtf[k] == '-')
                ++k;
            while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k])))
                ++k;
            const QByteArray num = rtf.mid(j, k - j);
            if (word.isEmpty())
                return fail(QStringLiteral("bad control symbol"));
            if (k < rtf.size() && rtf[k] == ' ')
                ++k; // the delimiting blank belongs to the control word
            i = k - 1;
            if (word == "pard" || word == "plain")
                inBody = true;
            if (!inBody)
                continue;
            if (word == "cf") {
                const int index = num.toInt();
                if (index < 1 || index > int(doc.colours.size()))
                    return fail(QStringLiteral("colour index out of the table"));
                colour = doc.colours[std::size_t(index - 1)];
                haveColour = true;
            } else if (word == "u") {
                const int n16 = num.toInt();
                if (n16 < -32768 || n16 > 32767)
                    return fail(QStringLiteral("\\u out of range"));
                text.append(QChar(char16_t(n16 & 0xFFFF)));
                if (i + 1 >= rtf.size() || rtf[i + 1] != '?')
                    return fail(QStringLiteral("\\u without its fallback"));
                ++i; // \uc1: skip one fallback character
            } else if (word == "tab") {
                text.append(QLatin1Char('\t'));
            } else if (word == "line") {
                text.append(QLatin1Char('\n'));
            } else if (word == "par") {
                if (!haveColour)
                    return fail(QStringLiteral("a line without a colour"));
                doc.lines.push_back({text, colour});
                text.clear();
                haveColour = false;
            } else if (word != "pard" && word != "plain" && word != "f" && word != "fs" &&
                       word != "viewkind") {
                return fail(QStringLiteral("unexpected control word ") + QString::fromLatin1(word));
            }
            continue;
        }
        if (inBody)
            text.append(QLatin1Char(c));
    }
    if (depth != 0)
        return fail(QStringLiteral("document cut short"));
    if (!text.isEmpty())
        return fail(QStringLiteral("text after the last paragraph"));
    return doc;
}

#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

class QIODevice;

// A small RTF 1.x writer for coloured lines of text. The output is plain ASCII:
// the colour table comes first (entry 0 left empty, one entry per colour used),
// each line is one paragraph in its colour, and every character above 127 is a
// \uN? escape, so word processors show Cyrillic whatever their code page.
class RtfWriter {
public:
    void addLine(const QString& text, std::uint32_t rgb);
    qsizetype lineCount() const { return static_cast<qsizetype>(m_lines.size()); }

    // The whole document; an empty writer gives a valid, empty document.
    QByteArray document() const;
    // Writes the document in chunks; false as soon as a write fails.
    bool writeTo(QIODevice& out) const;

    // The text as it goes into the body: \ { } escaped, tab and line breaks as
    // control words, anything outside printable ASCII as \uN? (N signed 16-bit,
    // characters beyond the first plane as their two surrogates).
    static void appendEscaped(QByteArray& out, QStringView text);

private:
    struct Entry {
        QString text;
        int colourIndex;
    };
    QByteArray header() const;

    std::vector<Entry> m_lines;
    std::vector<std::uint32_t> m_colours; // table entries 1..n
    QHash<std::uint32_t, int> m_colourIndex;
};

#include "protocol/rtf_writer.h"

#include <QBuffer>
#include <QIODevice>

namespace {

constexpr qsizetype ChunkSize = 64 * 1024;

void appendNumber(QByteArray& out, long long n) {
    out.append(QByteArray::number(n));
}

} // namespace

void RtfWriter::addLine(const QString& text, std::uint32_t rgb) {
    rgb &= 0xFFFFFF;
    auto it = m_colourIndex.constFind(rgb);
    int index = 0;
    if (it == m_colourIndex.constEnd()) {
        m_colours.push_back(rgb);
        index = static_cast<int>(m_colours.size());
        m_colourIndex.insert(rgb, index);
    } else {
        index = it.value();
    }
    m_lines.push_back({text, index});
}

void RtfWriter::appendEscaped(QByteArray& out, QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'\\':
            out.append("\\\\");
            continue;
        case u'{':
            out.append("\\{");
            continue;
        case u'}':
            out.append("\\}");
            continue;
        case u'\t':
            out.append("\\tab ");
            continue;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            out.append("\\line ");
            continue;
        case u'\n':
            out.append("\\line ");
            continue;
        default:
            break;
        }
        if (c >= 0x20 && c < 0x7F) {
            out.append(static_cast<char>(c));
        } else {
            // RTF takes a signed 16-bit number; the '?' is the fallback \uc1 skips.
            out.append("\\u");
            appendNumber(out, static_cast<std::int16_t>(c));
            out.append('?');
        }
    }
}

QByteArray RtfWriter::header() const {
    QByteArray out;
    // Counts and codes are right-aligned with blanks: a fixed-pitch font keeps
    // them in columns.
    out.append("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
               "{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}\n"
               "{\\colortbl;");
    for (std::uint32_t rgb : m_colours) {
        out.append("\\red");
        appendNumber(out, (rgb >> 16) & 0xFF);
        out.append("\\green");
        appendNumber(out, (rgb >> 8) & 0xFF);
        out.append("\\blue");
        appendNumber(out, rgb & 0xFF);
        out.append(';');
    }
    out.append("}\n\\viewkind4\\pard\\plain\\f0\\fs20\n");
    return out;
}

bool RtfWriter::writeTo(QIODevice& out) const {
    QByteArray chunk = header();
    chunk.reserve(ChunkSize + 1024);
    for (const Entry& line : m_lines) {
        chunk.append("\\cf");
        appendNumber(chunk, line.colourIndex);
        chunk.append(' ');
        appendEscaped(chunk, line.text);
        chunk.append("\\par\n");
        if (chunk.size() >= ChunkSize) {
            if (out.write(chunk) != chunk.size()) {
                return false;
            }
            chunk.clear();
        }
    }
    chunk.append("}\n");
    return out.write(chunk) == chunk.size();
}

QByteArray RtfWriter::document() const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writeTo(buffer);
    return bytes;
}

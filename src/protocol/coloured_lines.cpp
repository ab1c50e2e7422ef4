#include "protocol/coloured_lines.h"

#include "protocol/rtf_writer.h"

#include <QDir>
#include <QSaveFile>

ColouredLines::ColouredLines(QObject* parent) : QObject(parent) {}

void ColouredLines::setColour(std::uint32_t rgb) {
    m_colour = rgb & 0xFFFFFF;
}

void ColouredLines::add(const QString& text) {
    m_lines.push_back({text, m_colour});
    trim();
    emit linesAdded();
}

void ColouredLines::trim() {
    while (static_cast<qsizetype>(m_lines.size()) > m_maxLines) {
        m_lines.pop_front();
        ++m_dropped;
    }
}

void ColouredLines::setMaxLines(qsizetype n) {
    m_maxLines = std::max<qsizetype>(n, 1);
    trim();
}

qsizetype ColouredLines::count() const {
    return static_cast<qsizetype>(m_lines.size());
}

const ColouredLines::Line& ColouredLines::line(qsizetype i) const {
    return m_lines.at(static_cast<std::size_t>(i));
}

QString ColouredLines::droppedNotice() const {
    if (m_dropped == 0) {
        return {};
    }
    return QStringLiteral("[%1 earlier lines dropped]").arg(m_dropped);
}

QString ColouredLines::text() const {
    QStringList parts;
    parts.reserve(count() + 1);
    if (m_dropped > 0) {
        parts << droppedNotice();
    }
    for (const Line& l : m_lines) {
        parts << l.text;
    }
    return parts.join(QLatin1Char('\n'));
}

bool ColouredLines::saveRtf(const QString& path, QString* error) const {
    RtfWriter writer;
    if (m_dropped > 0) {
        writer.addLine(droppedNotice(), Black);
    }
    for (const Line& l : m_lines) {
        writer.addLine(l.text, l.colour);
    }

    QSaveFile file(path);
    auto fail = [&](const QString& why) {
        if (error) {
            *error =
                QStringLiteral("Cannot save \"%1\": %2").arg(QDir::toNativeSeparators(path), why);
        }
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(file.errorString());
    }
    if (!writer.writeTo(file)) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit()) {
        return fail(file.errorString());
    }
    return true;
}

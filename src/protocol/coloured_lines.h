#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>

// A growing text of single lines, each drawn in one colour: the debug log and the
// fault-code report. A line appended without setting a colour takes the colour
// last set (black at first).
//
// The text is bounded so that hours of streaming with collection on cannot use up
// the memory: past maxLines() the oldest lines are dropped, and text() and saveRtf()
// then start with one black line, droppedNotice(), saying how many went.
// line(i) and count() cover the kept lines only; totalAdded() never goes back, so
// a view can tell which lines are new.
class ColouredLines : public QObject {
    Q_OBJECT
public:
    struct Line {
        QString text;
        std::uint32_t colour; // 0xRRGGBB
    };

    static constexpr std::uint32_t Black = 0x000000;
    static constexpr std::uint32_t Navy = 0x000080;
    static constexpr std::uint32_t Green = 0x008000;
    static constexpr std::uint32_t Red = 0xFF0000;
    static constexpr std::uint32_t Purple = 0x800080;
    static constexpr std::uint32_t Blue = 0x0000FF;

    explicit ColouredLines(QObject* parent = nullptr);

    void setColour(std::uint32_t rgb);
    std::uint32_t colour() const { return m_colour; }
    void add(const QString& text);
    void add(std::uint32_t rgb, const QString& text) {
        setColour(rgb);
        add(text);
    }

    qsizetype count() const;
    const Line& line(qsizetype i) const;
    QString text() const; // all lines joined by '\n' (tests, clipboard)

    static constexpr qsizetype DefaultMaxLines = 500000;
    qsizetype maxLines() const { return m_maxLines; }
    void setMaxLines(qsizetype n); // at least 1; drops the oldest lines at once
    qsizetype dropped() const { return m_dropped; }
    qsizetype totalAdded() const { return m_dropped + count(); }
    // "[N earlier lines dropped]" once lines were dropped, empty before.
    QString droppedNotice() const;

    // Writes every line with its colour as RTF through a temporary file and a
    // rename; false and *error on failure, nothing half-written.
    bool saveRtf(const QString& path, QString* error = nullptr) const;

signals:
    void linesAdded();

private:
    void trim();

    std::deque<Line> m_lines;
    std::uint32_t m_colour = Black;
    qsizetype m_maxLines = DefaultMaxLines;
    qsizetype m_dropped = 0;
};

// The debug log sink with its collection switch ("Collect debug info").
class DebugLog : public ColouredLines {
    Q_OBJECT
public:
    using ColouredLines::ColouredLines;
    bool collecting() const { return m_collecting; }
    void setCollecting(bool on) { m_collecting = on; }

private:
    bool m_collecting = false;
};

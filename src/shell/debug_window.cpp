#include "shell/debug_window.h"

#include "protocol/coloured_lines.h"
#include "shell/status_gauge.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {

const QColor SkyBlue(0xA6, 0xCA, 0xF0);
const QColor MoneyGreen(0xC0, 0xDC, 0xC0);
constexpr int MemoHeight = 369;
constexpr int GaugeHeight = 20;

QTextCharFormat colourFormat(std::uint32_t rgb) {
    QTextCharFormat f;
    f.setForeground(QColor::fromRgb(rgb & 0xFFFFFF));
    return f;
}

// A block is one log line; a stray line break inside a text must not split it.
QString oneBlock(QString text) {
    text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    text.replace(QLatin1Char('\r'), QChar::LineSeparator);
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

} // namespace

TDebug::TDebug(DebugLog& log, QWidget* parent) : QWidget(parent, Qt::Window), m_log(log) {
    setWindowTitle(QStringLiteral("Debug Information"));
    setAttribute(Qt::WA_QuitOnClose, false);
    move(0, 91);
    resize(291, 425);
    setMaximumHeight(425);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, SkyBlue);
    setPalette(pal);
    setAutoFillBackground(true);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setUndoRedoEnabled(false); // an undo history would be a second copy of the log
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette memoPal = Memo->palette();
    memoPal.setColor(QPalette::Base, MoneyGreen);
    Memo->setPalette(memoPal);
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Sans Serif")});
    font.setPixelSize(11);
    Memo->setFont(font);
    Memo->installEventFilter(this);

    BufferStatus = new StatusGauge(QStringLiteral("Input buffer status %8.0f"), this);
    BufferStatus->setObjectName(QStringLiteral("BufferStatus"));
    BufferStatus->setRange(0, 1000);
    QPalette gaugePal = BufferStatus->palette();
    gaugePal.setColor(QPalette::Window, MoneyGreen);
    gaugePal.setColor(QPalette::Base, MoneyGreen);
    BufferStatus->setPalette(gaugePal);
    BufferStatus->setAutoFillBackground(true);
    BufferStatus->installEventFilter(this);

    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(FlushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &TDebug::flush);
    connect(&m_log, &ColouredLines::linesAdded, this, &TDebug::onLinesAdded);

    hide();
}

void TDebug::setBufferStatus(double bytes) {
    BufferStatus->setProgress(bytes);
}

void TDebug::onLinesAdded() {
    // Called for every line: nothing more than a check while the window is hidden.
    if (!m_flushTimer.isActive() && isVisible()) {
        m_flushTimer.start();
    }
}

int TDebug::lineBlocks() const {
    return static_cast<int>(m_shownEnd - m_viewFirst);
}

void TDebug::restartView(qsizetype firstLine) {
    Memo->clear();
    Memo->document()->setUndoRedoEnabled(false);
    m_viewFirst = m_shownEnd = firstLine;
    m_hasNotice = false;
}

void TDebug::flush() {
    m_flushTimer.stop();
    if (!isVisible()) {
        return; // showing catches up
    }
    const qsizetype total = m_log.totalAdded();
    if (total == m_shownEnd) {
        return;
    }
    // Lines the log has dropped, or that would scroll off at once, are never drawn.
    const qsizetype start =
        std::max({m_shownEnd, m_log.dropped(), total - qsizetype(ViewMaxLines)});
    if (start != m_shownEnd) {
        restartView(start);
    }

    QScrollBar* bar = Memo->verticalScrollBar();
    const bool follow = bar->value() >= bar->maximum();

    QTextCursor cursor(Memo->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // Runs of one colour go in with one insertion: far cheaper than a block each.
    QString run;
    std::uint32_t runColour = 0;
    auto insertRun = [&] {
        if (!run.isEmpty()) {
            cursor.insertText(run, colourFormat(runColour));
            run.clear();
        }
    };
    for (qsizetype a = start; a < total; ++a) {
        const ColouredLines::Line& line = m_log.line(a - m_log.dropped());
        if (line.colour != runColour) {
            insertRun();
            runColour = line.colour;
        }
        if (lineBlocks() > 0 || m_hasNotice) {
            run += QChar(QChar::ParagraphSeparator);
        }
        run += oneBlock(line.text);
        ++m_shownEnd;
    }
    insertRun();
    cursor.endEditBlock();

    trimView();
    updateNotice();
    if (follow) {
        bar->setValue(bar->maximum());
    }
}

void TDebug::trimView() {
    const int excess = lineBlocks() - ViewMaxLines;
    if (excess <= 0) {
        return;
    }
    QTextDocument* doc = Memo->document();
    const int offset = m_hasNotice ? 1 : 0;
    QTextCursor cursor(doc->findBlockByNumber(offset));
    cursor.setPosition(doc->findBlockByNumber(offset + excess).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_viewFirst += excess;
}

void TDebug::updateNotice() {
    if (m_viewFirst == 0) {
        return;
    }
    const QString notice = QStringLiteral("[%1 earlier lines not shown]").arg(m_viewFirst);
    QTextDocument* doc = Memo->document();
    QTextCursor cursor(doc->firstBlock());
    if (m_hasNotice) {
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    } else if (lineBlocks() > 0) {
        cursor.insertBlock(); // the first line moves down one block
        cursor.movePosition(QTextCursor::Start);
    }
    cursor.insertText(notice, colourFormat(ColouredLines::Black));
    m_hasNotice = true;
}

void TDebug::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TDebug::eventFilter(QObject* watched, QEvent* event) {
    // Key preview: Escape closes the window whichever child has the focus.
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TDebug::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

void TDebug::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    flush();
}

void TDebug::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Memo->setGeometry(0, 0, width(), MemoHeight);
    BufferStatus->setGeometry(0, height() - GaugeHeight, width(), GaugeHeight);
}

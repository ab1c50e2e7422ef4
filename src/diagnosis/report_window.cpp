#include "diagnosis/report_window.h"

#include "protocol/coloured_lines.h"

#include <QKeyEvent>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

TCU_Error::TCU_Error(ColouredLines& report, QWidget* parent)
    : QWidget(parent, Qt::Window), m_report(report), m_memo(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("Report"));
    setGeometry(0, 91, 280, 329);

    m_memo->setObjectName(QStringLiteral("Memo_Error"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setTabChangesFocus(false);
    // Codes and start counts are right-aligned with blanks: keep them in columns.
    m_memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_memo->setToolTip(QStringLiteral("Список ошибок для текущего модуля"));
    QPalette pal = m_memo->palette();
    pal.setColor(QPalette::Base, QColor(0xA6, 0xCA, 0xF0));
    m_memo->setPalette(pal);
    // The view keeps what the report keeps.
    m_memo->setMaximumBlockCount(int(std::min<qsizetype>(report.maxLines(), INT_MAX)));
    m_memo->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_memo);

    connect(&m_report, &ColouredLines::linesAdded, this, &TCU_Error::appendNewLines);
    appendNewLines();
}

void TCU_Error::appendNewLines() {
    const qsizetype total = m_report.totalAdded();
    if (total == m_shown)
        return;
    // Lines the report dropped before they were shown are gone; show what is left.
    const qsizetype first = std::max<qsizetype>(m_shown, m_report.dropped()) - m_report.dropped();
    QScrollBar* bar = m_memo->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();

    QTextCursor cursor(m_memo->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (qsizetype i = first; i < m_report.count(); ++i) {
        const ColouredLines::Line& line = m_report.line(i);
        QTextCharFormat format;
        format.setForeground(QColor::fromRgb(line.colour));
        if (m_shown > 0 || i > first)
            cursor.insertBlock(QTextBlockFormat(), format);
        else
            cursor.setBlockCharFormat(format);
        cursor.insertText(line.text, format);
    }
    cursor.endEditBlock();
    m_shown = total;
    if (atEnd)
        bar->setValue(bar->maximum());
}

void TCU_Error::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Key preview: Escape hides the window also while the memo has the focus.
bool TCU_Error::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_memo && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

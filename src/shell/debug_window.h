#pragma once

#include <QTimer>
#include <QWidget>

class DebugLog;
class QPlainTextEdit;
class StatusGauge;

// "Debug Information": shows the debug log in its colours and the input-buffer
// gauge. Created hidden, once; closing only hides it.
//
// The view follows the log in batches from a short timer, and only while it is
// visible, so a stream adding thousands of lines a second costs the link nothing
// but a flag check. It holds at most ViewMaxLines lines; older ones are announced
// by one line at the top ("[N earlier lines not shown]"). The log itself keeps
// more, and saving writes everything it kept.
class TDebug : public QWidget {
    Q_OBJECT
public:
    static constexpr int ViewMaxLines = 20000;
    static constexpr int FlushIntervalMs = 100;

    explicit TDebug(DebugLog& log, QWidget* parent = nullptr);

    QPlainTextEdit* Memo = nullptr;
    StatusGauge* BufferStatus = nullptr;

    // Bytes waiting in the receive buffer.
    void setBufferStatus(double bytes);

    // Brings the view up to date with the log at once while the window is
    // visible (the timer does it too, and showing the window).
    void flush();

signals:
    // The window was closed by the user: "Show debug info" loses its check.
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onLinesAdded();
    void restartView(qsizetype firstLine);
    void trimView();
    void updateNotice();
    int lineBlocks() const;

    DebugLog& m_log;
    QTimer m_flushTimer;
    qsizetype m_shownEnd = 0;  // log lines [m_viewFirst, m_shownEnd) are in the memo
    qsizetype m_viewFirst = 0; // absolute number of the memo's first log line
    bool m_hasNotice = false;  // the memo's first block is the "not shown" line
};

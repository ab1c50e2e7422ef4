#pragma once

#include <QWidget>

class ColouredLines;
class QPlainTextEdit;

// The fault-code report window: the report's lines in their colours, read-only,
// growing for the whole run. Escape and the close button only hide it.
class TCU_Error : public QWidget {
    Q_OBJECT
public:
    explicit TCU_Error(ColouredLines& report, QWidget* parent = nullptr);

    QPlainTextEdit* Memo_Error() const { return m_memo; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void appendNewLines();

    ColouredLines& m_report;
    QPlainTextEdit* m_memo;
    qsizetype m_shown = 0; // report lines ever shown (ColouredLines::totalAdded)
};

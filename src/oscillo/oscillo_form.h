#pragma once

#include "oscillo/osc_recording.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>

class MenuState;
class OscChart;
class QCPItemStraightLine;
class QCheckBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QToolButton;

// An oscillogram window: a strip chart of one module's streamed values over time in
// milliseconds, with two stacked value scales, a tool strip along the top and a scroll bar
// along the bottom. It shows its OscRecording and redraws it from the series' summaries.
// Closing only hides it.
class TFormOscillo : public QWidget {
    Q_OBJECT
public:
    // menu: the check marks the window takes over while shown (none: it leaves them).
    explicit TFormOscillo(MenuState* menu, QWidget* parent = nullptr);
    ~TFormOscillo() override;

    OscRecording& recording() { return m_recording; }
    const OscRecording& recording() const { return m_recording; }

    // Marks a moment with a vertical line of the given colour, 3 pixels wide, across the
    // chart; clearing the series keeps it.
    void Set_EndOsc(std::uint32_t rgb, std::int64_t x);
    // The "&Clear" button: every series loses its points, the time axis goes back to its
    // first minute (or, while this module streams, to the minute the stream is in).
    void Clear_ButtonClick();
    // Where "&Clear" puts the time axis; by default 0..60000.
    void setClearRange(std::function<std::pair<double, double>()> range);

    // The redraw after a frame of a stream (paced by the chart).
    void requestReplot();

    // The components, named as designed.
    QScrollBar* ChartScrollBar1;
    OscChart* Chart1;
    QCPItemStraightLine* ChartTool1; // the zero line of the left scale
    QFrame* OsciTools_Panel;
    QPushButton* LoadBtn;
    QPushButton* SaveBtn;
    QScrollBar* ScrollBar_Trans;
    QLabel* Label1;
    QPushButton* Clear_Button;
    QCheckBox* ChangeColor;
    QSpinBox* cxSpinEdit_Custom;
    QSpinBox* cxSpinEdit_Left;
    QLabel* Label2;
    QListWidget* ChartListBox1;
    QToolButton* SpeedButton1;

signals:
    // Key preview: every key pressed anywhere in the window arrives here first; a receiver
    // that handles the key accepts the event, which then goes no further.
    void keyPreview(QKeyEvent* event);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void FormClose();
    void buildToolStrip();
    void syncScrollBar();
    void scrollBarMoved(int value);

    MenuState* m_menu;
    OscRecording m_recording;
    std::function<std::pair<double, double>()> m_clearRange;
    bool m_syncing = false;
    const QEvent* m_previewed = nullptr; // the key event being delivered, seen already
};

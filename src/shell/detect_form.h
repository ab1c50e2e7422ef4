#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;

// "Detecting...": shown while start-up probes the units (and while the probe and
// the scan run). Closing it or Escape only asks the link to go idle; the running
// procedure decides itself what that means. Created once; closing hides it.
class TDetectForm : public QWidget {
    Q_OBJECT
public:
    // setIdle: sets the link state to ssIdle.
    explicit TDetectForm(std::function<void()> setIdle, QWidget* parent = nullptr);

    QLabel* cxLabel1 = nullptr;
    QLabel* cxLabel2 = nullptr;
    QLabel* cxLabel_Module = nullptr;
    QProgressBar* DetectingBar = nullptr;

    // Centres the window on its screen.
    void centre();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::function<void()> m_setIdle;
};

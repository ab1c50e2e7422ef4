#pragma once

#include <QProgressBar>

// A bar with a caption into which its current value is formatted: the caption's
// "%W.0f" becomes the value rounded and right-aligned in W characters. The value
// is kept as given, so the caption stays true when it passes the maximum and the
// bar is simply full.
class StatusGauge : public QProgressBar {
    Q_OBJECT
public:
    explicit StatusGauge(const QString& caption, QWidget* parent = nullptr);

    void setProgress(double value);
    double progress() const { return m_progress; }
    QString text() const override;

private:
    QString m_caption;
    double m_progress = 0.0;
};

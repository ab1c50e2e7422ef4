#pragma once

#include <qcustomplot.h>

// Ticks only within one part of an axis: each of the two stacked value scales labels
// its own half of the plot.
class PartTicker : public QCPAxisTicker {
public:
    // Ticks from lower to upper; withLower false leaves the lower end unlabelled (where the
    // other scale's top stands).
    void setPart(double lower, double upper, bool withLower = true) {
        m_lower = lower;
        m_upper = upper;
        m_withLower = withLower;
    }
    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                  QVector<double>& ticks, QVector<double>* subTicks,
                  QVector<QString>* tickLabels) override;

private:
    double m_lower = 0.0;
    double m_upper = 1.0;
    bool m_withLower = true;
};

// One plot area with a time axis along the bottom and two value scales on the left that
// share one position: the left axis owns the upper half (0 at the middle), the custom axis
// the lower half (0 at the bottom). Each maps the whole height linearly, so a pixel row
// has a value on both, and a value beyond a scale's half is drawn beyond it.
class OscAxisRect : public QCPAxisRect {
    Q_OBJECT
public:
    explicit OscAxisRect(QCustomPlot* plot);

    QCPAxis* timeAxis() const { return m_time; }
    QCPAxis* leftAxis() const { return m_left; }
    QCPAxis* customAxis() const { return m_custom; }

    // The maximum shown at the top of the left scale and at the middle for the custom one.
    void setLeftMax(double max);
    void setCustomMax(double max);

protected:
    int calculateAutoMargin(QCP::MarginSide side) override;

private:
    QCPAxis* m_time;
    QCPAxis* m_left;
    QCPAxis* m_custom;
    QSharedPointer<PartTicker> m_leftTicker;
    QSharedPointer<PartTicker> m_customTicker;
};

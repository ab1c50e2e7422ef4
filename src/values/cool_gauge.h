#pragma once

#include "protocol/controls.h"

#include <QColor>
#include <QString>
#include <QWidget>

// The bar gauge of the indicator panel: a bar from the left over the background,
// showing the left part of a gradient that spans the whole width, and a centred
// caption with the reading. Repaints only when the bar's pixel length or the
// caption text changes, so a panel of dozens of gauges stays cheap at frame rate.
class TjsCoolGauge : public QWidget, public GaugeControl {
    Q_OBJECT
public:
    explicit TjsCoolGauge(QWidget* parent = nullptr);

    void setRange(double minimum, double maximum);
    double minimum() const { return m_min; }
    double maximum() const { return m_max; }
    void setColors(const QColor& color1, const QColor& color2);
    QColor color1() const { return m_color1; }
    QColor color2() const { return m_color2; }
    void setBackgroundColor(const QColor& color);
    void setFontColor(const QColor& color);
    // A format with "%f" where the reading goes and "%%" for a percent sign.
    void setCaptionFormat(const QString& format);
    QString captionFormat() const { return m_format; }

    // A reading outside minimum..maximum, or equal to the current one, is ignored.
    void setReading(double value) override;
    double reading() const { return m_reading; }

    // What is drawn for the current reading.
    int barLength() const { return barLengthFor(m_reading, width()); }
    QString caption() const { return m_caption; }

    // The caption format filled in with value (two decimals, the user's separator).
    static QString formatCaption(const QString& format, double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int barLengthFor(double value, int width) const;

    double m_min = 0.0;
    double m_max = 100.0;
    double m_reading = 0.0;
    QColor m_color1 = Qt::yellow;
    QColor m_color2 = Qt::red;
    QColor m_background = Qt::white;
    QColor m_fontColor = Qt::black;
    QString m_format;
    QString m_caption;
    int m_drawnLength = 0;
};

#include "shell/status_gauge.h"

#include "protocol/formatters.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

StatusGauge::StatusGauge(const QString& caption, QWidget* parent)
    : QProgressBar(parent), m_caption(caption) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void StatusGauge::setProgress(double value) {
    m_progress = value;
    const double clamped =
        std::clamp(std::isfinite(value) ? value : 0.0, double(minimum()), double(maximum()));
    setValue(static_cast<int>(std::lround(clamped)));
    update(); // the caption may change while the bar does not
}

QString StatusGauge::text() const {
    static const QRegularExpression field(QStringLiteral("%(\\d*)\\.0f"));
    const QRegularExpressionMatch m = field.match(m_caption);
    if (!m.hasMatch()) {
        return m_caption;
    }
    QString out = m_caption;
    out.replace(m.capturedStart(), m.capturedLength(),
                FormatWidth(m_progress, m.captured(1).toInt()));
    return out;
}

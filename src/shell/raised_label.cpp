#include "shell/raised_label.h"

#include <QPainter>
#include <QStyle>

RaisedLabel::RaisedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void RaisedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const int flags = int(alignment()) | (wordWrap() ? int(Qt::TextWordWrap) : 0);
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(area.translated(1, 1), flags, text());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(area, flags, text());
}

QFont PixelFont(const QString& family, int pixels, bool bold) {
    QFont f;
    // The designer's fonts, then their usual stand-ins on Linux.
    if (family == QLatin1String("Arial"))
        f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                       QStringLiteral("DejaVu Sans")});
    else
        f.setFamilies({family, QStringLiteral("DejaVu Sans")});
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

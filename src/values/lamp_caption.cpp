#include "values/lamp_caption.h"

LampCaption::LampCaption(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(11);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    setPalette(pal);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

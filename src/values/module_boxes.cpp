#include "values/module_boxes.h"

#include "protocol/commands.h"

#include <QEvent>
#include <QGroupBox>
#include <QPainter>
#include <QPointer>

namespace {

// Keeps a box at the top of its parent and as wide as it, like a top-aligned panel.
class TopAlign : public QObject {
public:
    TopAlign(QWidget* box, QWidget* parent) : QObject(box), m_box(box) {
        parent->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize && m_box && watched == m_box->parentWidget())
            m_box->setGeometry(0, 0, m_box->parentWidget()->width(), m_box->height());
        return false;
    }

private:
    QPointer<QWidget> m_box;
};

// A group box whose caption sits on its frame line, so that the panel's fixed
// positions (first control 16 pixels below the top) clear it in every style.
class PanelBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QFontMetrics fm = fontMetrics();
        const qreal line = fm.height() / 2.0;
        QColor frame = palette().color(QPalette::Mid);
        p.setPen(QPen(frame, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(0.5, line + 0.5, width() - 1.0, height() - line - 1.0), 3, 3);
        const QRect text(8, 0, fm.horizontalAdvance(title()), fm.height());
        p.fillRect(text, palette().color(QPalette::Window));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, title());
    }
};

void redCaption(QGroupBox* box) {
    QPalette pal = box->palette();
    pal.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    pal.setColor(QPalette::Text, QColor(0xFF, 0x00, 0x00));
    box->setPalette(pal);
}

} // namespace

ModuleBoxes CreateModuleBoxes(int module, QWidget* client) {
    ModuleBoxes boxes;
    auto* box = new PanelBox(Module(module).ShortName, client);
    box->setObjectName(QStringLiteral("ModuleBox%1").arg(module));
    redCaption(box);
    box->setGeometry(0, 0, client ? client->width() : 0, 20);
    if (client)
        new TopAlign(box, client);
    box->hide();

    auto* registers = new PanelBox(QStringLiteral(" Registers "), box);
    registers->setObjectName(QStringLiteral("RegistersBox%1").arg(module));
    redCaption(registers);
    registers->setGeometry(235, 6, 180, 10);

    boxes.ModuleBox = box;
    boxes.RegistersBox = registers;
    return boxes;
}

#pragma once

#include "protocol/controls.h"

#include <QColor>
#include <QWidget>

// The indicator lamp: a round light in its on or off colour. Repaints only when
// its state changes.
class ThhALed : public QWidget, public LampControl {
    Q_OBJECT
public:
    static constexpr int Size = 18;

    explicit ThhALed(QWidget* parent = nullptr);

    void setColors(const QColor& on, const QColor& off);
    QColor onColor() const { return m_on; }
    QColor offColor() const { return m_off; }

    void setOn(bool on) override;
    bool isOn() const { return m_lit; }

    QSize sizeHint() const override { return {Size, Size}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_on{0x00, 0xFF, 0x00};
    QColor m_off{0x00, 0x80, 0x00};
    bool m_lit = false;
};

#pragma once

#include <QLabel>

// A label drawn in a raised style: the text over a light copy of itself one
// pixel down and to the right.
class RaisedLabel : public QLabel {
    Q_OBJECT
public:
    explicit RaisedLabel(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The program's window colour, clSkyBlue.
inline constexpr unsigned SkyBlueRgb = 0xA6CAF0;

// Fonts by pixel size, as the windows define them.
class QFont;
QFont PixelFont(const QString& family, int pixels, bool bold = false);

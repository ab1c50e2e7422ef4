#pragma once

#include <QWidget>

class QLabel;
class QTextEdit;

// "About ZedoVudera": the program's picture, name, a link to the user guide and
// the credits. Created once at launch; Escape and the close button only hide it.
class TAboutForm : public QWidget {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QWidget* cxImage1 = nullptr;
    QLabel* cxLabel1 = nullptr;
    QLabel* cxHyperLinkEdit1 = nullptr;
    QTextEdit* cxMemo1 = nullptr;

    // Where the link leads: the installed user guide, else the one beside the
    // sources.
    static QString userGuidePath();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Draws the about box's picture (204 x 112) onto p within r.
class QPainter;
class QRect;
void PaintAboutPicture(QPainter& p, const QRect& r);

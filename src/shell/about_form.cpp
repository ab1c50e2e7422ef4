#include "shell/about_form.h"

#include "shell/raised_label.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>
#include <QTextEdit>
#include <QUrl>

#include <cmath>

namespace {

constexpr int Width = 204;
constexpr int Height = 317;
constexpr int PictureHeight = 112;
constexpr int MemoHeight = 157;
const QColor Navy(0x00, 0x00, 0x80);

class AboutPicture : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        PaintAboutPicture(p, rect());
    }
};

QPalette skyBlue(QPalette pal) {
    pal.setColor(QPalette::Window, QColor::fromRgb(SkyBlueRgb));
    pal.setColor(QPalette::Base, QColor::fromRgb(SkyBlueRgb));
    return pal;
}

} // namespace

void PaintAboutPicture(QPainter& p, const QRect& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(r);

    // Night-blue screen fading into the window's sky blue.
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0.0, QColor(0x0B, 0x1E, 0x45));
    sky.setColorAt(0.75, QColor(0x1D, 0x4E, 0x8C));
    sky.setColorAt(1.0, QColor::fromRgb(SkyBlueRgb));
    p.fillRect(r, sky);

    // An oscillogram grid with two traces.
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    for (int x = r.left() + 8; x < r.right(); x += 16)
        p.drawLine(x, r.top(), x, r.bottom() - 18);
    for (int y = r.top() + 8; y < r.bottom() - 18; y += 16)
        p.drawLine(r.left(), y, r.right(), y);

    const auto trace = [&](const QColor& colour, double amp, double period, double phase,
                           double base) {
        QPainterPath path;
        for (int x = r.left(); x <= r.right(); ++x) {
            const double t = (x - r.left()) / period + phase;
            const double y = base - amp * (std::sin(t) + 0.35 * std::sin(2.7 * t + 0.4));
            if (x == r.left())
                path.moveTo(x, y);
            else
                path.lineTo(x, y);
        }
        p.setPen(QPen(colour, 1.6));
        p.drawPath(path);
    };
    trace(QColor(0xFF, 0xD2, 0x3F), 11, 14.0, 0.0, r.top() + 34);
    trace(QColor(0x5C, 0xF2, 0x7A), 8, 9.0, 1.3, r.top() + 70);

    // A round gauge on the right with its needle in the upper range.
    const QPointF c(r.right() - 44, r.top() + 52);
    const double radius = 34;
    QRadialGradient face(c, radius);
    face.setColorAt(0.0, QColor(0x23, 0x2B, 0x38));
    face.setColorAt(1.0, QColor(0x0E, 0x12, 0x1A));
    p.setPen(QPen(QColor(0xC8, 0xD6, 0xE8), 2));
    p.setBrush(face);
    p.drawEllipse(c, radius, radius);
    for (int i = 0; i <= 10; ++i) {
        const double a = (225.0 - i * 27.0) * M_PI / 180.0;
        const double inner = i % 5 == 0 ? radius - 9 : radius - 6;
        const QColor tick = i >= 8 ? QColor(0xFF, 0x40, 0x40) : QColor(0xE8, 0xF0, 0xFF);
        p.setPen(QPen(tick, i % 5 == 0 ? 2.0 : 1.2));
        p.drawLine(QPointF(c.x() + inner * std::cos(a), c.y() - inner * std::sin(a)),
                   QPointF(c.x() + (radius - 3) * std::cos(a), c.y() - (radius - 3) * std::sin(a)));
    }
    const double needle = (225.0 - 6.6 * 27.0) * M_PI / 180.0;
    p.setPen(QPen(QColor(0xFF, 0x6A, 0x1A), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x() + (radius - 8) * std::cos(needle),
                          c.y() - (radius - 8) * std::sin(needle)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xC8, 0xD6, 0xE8));
    p.drawEllipse(c, 3.5, 3.5);

    // The cable's plug at the bottom left: the program's link to the car.
    p.setPen(QPen(QColor(0x10, 0x20, 0x40), 1.2));
    p.setBrush(QColor(0xF5, 0xF8, 0xFC));
    const QRectF plug(r.left() + 10, r.bottom() - 30, 46, 18);
    p.drawRoundedRect(plug, 4, 4);
    p.setBrush(QColor(0x10, 0x20, 0x40));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(plug.left() + 7 + i * 8, plug.center().y()), 1.6, 1.6);
    p.setPen(QPen(QColor(0x10, 0x20, 0x40), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable(QPointF(plug.right(), plug.center().y()));
    cable.cubicTo(QPointF(plug.right() + 30, plug.center().y()), QPointF(c.x() - 60, c.y() + 40),
                  QPointF(c.x() - radius + 4, c.y() + 20));
    p.drawPath(cable);
    p.restore();
}

TAboutForm::TAboutForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About ZedoVudera"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(Width, Height);
    setPalette(skyBlue(palette()));
    setAutoFillBackground(true);

    cxImage1 = new AboutPicture(this);
    cxImage1->setObjectName(QStringLiteral("cxImage1"));
    cxImage1->setGeometry(0, 0, Width, PictureHeight);

    cxLabel1 = new RaisedLabel(QStringLiteral("Zedo Vudera"), this);
    cxLabel1->setObjectName(QStringLiteral("cxLabel1"));
    cxLabel1->setFont(PixelFont(QStringLiteral("Arial"), 21));
    QPalette name = cxLabel1->palette();
    name.setColor(QPalette::WindowText, Navy);
    cxLabel1->setPalette(name);
    cxLabel1->setAlignment(Qt::AlignCenter);
    cxLabel1->setGeometry(0, PictureHeight, Width, 28);

    cxHyperLinkEdit1 = new QLabel(this);
    cxHyperLinkEdit1->setObjectName(QStringLiteral("cxHyperLinkEdit1"));
    cxHyperLinkEdit1->setText(QStringLiteral("<a href=\"%1\">User guide</a>")
                                  .arg(QUrl::fromLocalFile(userGuidePath()).toString()));
    cxHyperLinkEdit1->setTextFormat(Qt::RichText);
    cxHyperLinkEdit1->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    cxHyperLinkEdit1->setOpenExternalLinks(true);
    cxHyperLinkEdit1->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 13, true));
    cxHyperLinkEdit1->setAlignment(Qt::AlignCenter);
    cxHyperLinkEdit1->setToolTip(userGuidePath());
    cxHyperLinkEdit1->setGeometry(0, PictureHeight + 28, Width,
                                  Height - MemoHeight - PictureHeight - 28);

    cxMemo1 = new QTextEdit(this);
    cxMemo1->setObjectName(QStringLiteral("cxMemo1"));
    cxMemo1->setReadOnly(true);
    cxMemo1->setFrameShape(QFrame::NoFrame);
    cxMemo1->setPalette(skyBlue(cxMemo1->palette()));
    cxMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cxMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cxMemo1->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11, true));
    QPalette memo = cxMemo1->palette();
    memo.setColor(QPalette::Text, Navy);
    cxMemo1->setPalette(memo);
    cxMemo1->document()->setDocumentMargin(2);
    cxMemo1->setPlainText(QStringLiteral("Version 1.0.0.16\n"
                                         "\n"
                                         "Live data, oscillograms and fault codes from engine "
                                         "and transmission control units.\n"
                                         "\n"
                                         "Made with Qt 6 and QCustomPlot.\n"
                                         "Thanks to the mechanics who tried it on real cars."));
    QTextCursor all(cxMemo1->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);
    cxMemo1->setGeometry(0, Height - MemoHeight, Width, MemoHeight);

    if (QScreen* s = screen()) {
        const QRect desk = s->availableGeometry();
        move(desk.x() + (desk.width() - Width) / 2, desk.y() + (desk.height() - Height) / 2);
    }
}

QString TAboutForm::userGuidePath() {
    const QString installed = QCoreApplication::applicationDirPath() +
                              QStringLiteral("/../share/doc/zedovudera/user-guide.md");
    if (QFileInfo::exists(installed))
        return QFileInfo(installed).canonicalFilePath();
    return QStringLiteral(ZV_SOURCE_DIR "/docs/user-guide.md");
}

void TAboutForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

#include "shell/detect_form.h"

#include "shell/raised_label.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace {

constexpr int ClientWidth = 224;
constexpr int ClientHeight = 92;

void setTextColour(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    w->setPalette(pal);
}

} // namespace

TDetectForm::TDetectForm(std::function<void()> setIdle, QWidget* parent)
    : QWidget(parent, Qt::Window), m_setIdle(std::move(setIdle)) {
    setObjectName(QStringLiteral("Detect_form"));
    setWindowTitle(QStringLiteral("Detecting..."));
    setAttribute(Qt::WA_QuitOnClose, false);
    setToolTip(QStringLiteral("Анализ электронных компонентов автомобиля..."));
    resize(ClientWidth, ClientHeight);
    setMaximumSize(ClientWidth, ClientHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(SkyBlueRgb));
    setPalette(pal);
    setAutoFillBackground(true);

    cxLabel1 = new RaisedLabel(QStringLiteral("Detecting..."), this);
    cxLabel1->setObjectName(QStringLiteral("cxLabel1"));
    cxLabel1->setFont(PixelFont(QStringLiteral("Arial"), 43));
    cxLabel1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    setTextColour(cxLabel1, Qt::black);

    cxLabel2 = new QLabel(QStringLiteral("Module :"), this);
    cxLabel2->setObjectName(QStringLiteral("cxLabel2"));
    cxLabel2->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 12, true));
    cxLabel2->move(4, 48);
    cxLabel2->adjustSize();

    cxLabel_Module = new QLabel(QStringLiteral("Unknown"), this);
    cxLabel_Module->setObjectName(QStringLiteral("cxLabel_Module"));
    cxLabel_Module->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 12, true));
    setTextColour(cxLabel_Module, QColor(0xFF, 0x00, 0x00));
    cxLabel_Module->setGeometry(59, 49, 160, 17);

    DetectingBar = new QProgressBar(this);
    DetectingBar->setObjectName(QStringLiteral("DetectingBar"));
    DetectingBar->setRange(0, 44);
    DetectingBar->setValue(0);
    DetectingBar->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11, true));
    QPalette bar = DetectingBar->palette();
    bar.setColor(QPalette::Highlight, QColor(0x00, 0xFF, 0x00));
    bar.setColor(QPalette::HighlightedText, Qt::black);
    DetectingBar->setPalette(bar);
    DetectingBar->setGeometry(5, 67, 214, 21);

    cxLabel1->setGeometry(rect());
    cxLabel1->lower();
}

void TDetectForm::centre() {
    if (QScreen* s = screen()) {
        const QRect desk = s->availableGeometry();
        const QSize frame = frameGeometry().size();
        move(desk.x() + (desk.width() - frame.width()) / 2,
             desk.y() + (desk.height() - frame.height()) / 2);
    }
}

void TDetectForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (m_setIdle)
            m_setIdle();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TDetectForm::closeEvent(QCloseEvent* event) {
    if (m_setIdle)
        m_setIdle();
    QWidget::closeEvent(event);
}

void TDetectForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    cxLabel1->setGeometry(rect());
    DetectingBar->setGeometry(5, 67, qMax(0, width() - 10), 21);
}

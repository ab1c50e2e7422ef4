#include "shell/about_form.h"
#include "shell/detect_form.h"
#include "support/gtest_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

void press(QWidget* target, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

TEST(DetectForm, EscapeAndCloseOnlyAskTheLinkToGoIdle) {
    int idle = 0;
    TDetectForm form([&] { ++idle; });
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Detecting..."));
    EXPECT_EQ(form.size(), QSize(224, 92));
    EXPECT_EQ(form.cxLabel_Module->text(), QStringLiteral("Unknown"));
    EXPECT_EQ(form.cxLabel_Module->geometry(), QRect(59, 49, 160, 17));
    EXPECT_EQ(form.DetectingBar->geometry(), QRect(5, 67, 214, 21));
    EXPECT_EQ(form.DetectingBar->maximum(), 44);

    form.show();
    press(&form, Qt::Key_Escape);
    EXPECT_EQ(idle, 1);
    EXPECT_TRUE(form.isVisible()); // Escape leaves it open
    press(&form, Qt::Key_A);
    EXPECT_EQ(idle, 1);
    form.close();
    EXPECT_EQ(idle, 2);
    EXPECT_FALSE(form.isVisible());
}

TEST(AboutForm, EscapeHidesTheSameBox) {
    TAboutForm about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About ZedoVudera"));
    EXPECT_EQ(about.size(), QSize(204, 317));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(about.cxImage1->geometry(), QRect(0, 0, 204, 112));
    EXPECT_EQ(about.cxLabel1->text(), QStringLiteral("Zedo Vudera"));
    EXPECT_TRUE(about.cxHyperLinkEdit1->text().contains(QStringLiteral("user-guide.md")));
    EXPECT_FALSE(about.cxMemo1->toPlainText().isEmpty());

    about.show();
    press(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
    about.show();
    EXPECT_TRUE(about.isVisible());
    about.close();
    EXPECT_FALSE(about.isVisible());
}

TEST(AboutForm, PictureIsDrawn) {
    QImage image(204, 112, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintAboutPicture(p, image.rect());
    p.end();
    // Not a blank: the top is the dark screen, the bottom fades into sky blue.
    EXPECT_LT(QColor(image.pixel(2, 2)).lightness(), 80);
    EXPECT_NE(image.pixel(2, 2), image.pixel(2, 110));
}

} // namespace

#include "link/menu_state.h"
#include "oscillo/osc_chart.h"
#include "oscillo/oscillo_form.h"
#include "oscillo/oscillo_menu.h"
#include "support/gtest_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>

namespace {

TEST(FormOscillo, ComponentsAsDesigned) {
    TFormOscillo w(nullptr);
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w.windowOpacity(), 1.0);
    EXPECT_FALSE(w.testAttribute(Qt::WA_QuitOnClose));

    EXPECT_EQ(w.OsciTools_Panel->height(), 29);
    EXPECT_EQ(w.OsciTools_Panel->palette().color(QPalette::Window), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(w.ChartScrollBar1->height(), 10);
    EXPECT_EQ(w.ChartScrollBar1->maximum(), 60000);
    EXPECT_EQ(w.ChartScrollBar1->pageStep(), 1000);
    EXPECT_EQ(w.ChartScrollBar1->singleStep(), 300);
    EXPECT_EQ(w.ScrollBar_Trans->minimum(), 50);
    EXPECT_EQ(w.ScrollBar_Trans->maximum(), 255);
    EXPECT_EQ(w.ScrollBar_Trans->value(), 255);
    EXPECT_EQ(w.Label1->text(), "Transparency");
    EXPECT_EQ(w.Label2->text(), "Scale for Y");
    EXPECT_EQ(w.ChangeColor->text(), "S&how/Change legends");
    EXPECT_EQ(w.cxSpinEdit_Custom->minimum(), 1);
    EXPECT_EQ(w.cxSpinEdit_Custom->maximum(), 15);
    EXPECT_EQ(w.cxSpinEdit_Custom->value(), 6);
    EXPECT_EQ(w.cxSpinEdit_Left->minimum(), 20);
    EXPECT_EQ(w.cxSpinEdit_Left->maximum(), 300);
    EXPECT_EQ(w.cxSpinEdit_Left->singleStep(), 20);
    EXPECT_EQ(w.cxSpinEdit_Left->value(), 150);
    EXPECT_EQ(w.ChartListBox1->width(), 170);
    EXPECT_TRUE(w.ChartListBox1->isHidden());
    EXPECT_EQ(w.ChartTool1, w.Chart1->zeroLine());

    // "&Clear" works; the others wait for their features and say so, never pretending.
    EXPECT_EQ(w.Clear_Button->text(), "&Clear");
    EXPECT_TRUE(w.Clear_Button->isEnabled());
    const std::pair<QWidget*, QString> waiting[] = {
        {w.LoadBtn, ""},
        {w.SaveBtn, ""},
        {w.ScrollBar_Trans, "Прозрачность"},
        {w.ChangeColor, "Показать/изменить обозначения осцилограмм"},
        {w.cxSpinEdit_Custom, "Максимальное значение оси Y"},
        {w.cxSpinEdit_Left, "Максимальное значение оси Y"},
        {w.SpeedButton1, ""}};
    for (const auto& [widget, hint] : waiting) {
        EXPECT_FALSE(widget->isEnabled()) << widget->objectName().toStdString();
        EXPECT_TRUE(widget->toolTip().contains("coming")) << widget->objectName().toStdString();
        EXPECT_TRUE(widget->toolTip().startsWith(hint)) << widget->objectName().toStdString();
    }
    EXPECT_EQ(w.LoadBtn->text(), "&Load");
    EXPECT_EQ(w.SaveBtn->text(), "&Save");
}

TEST(FormOscillo, ClearButtonEmptiesTheLinesAndKeepsThemAndTheMarks) {
    TFormOscillo w(nullptr);
    OscRecording& rec = w.recording();
    OscSeries* s = rec.addSeries("Coolant Temp", 0x000000, OscAxis::Left);
    s->addPoint(130000, 80);
    s->setActive(false);
    rec.setTimeRange(120000, 180000);
    w.Set_EndOsc(0xFF0000, 125000);
    w.Clear_Button->click();
    EXPECT_TRUE(s->points().empty());
    EXPECT_EQ(rec.series().size(), 1u);
    EXPECT_FALSE(s->isActive());
    EXPECT_EQ(rec.timeMin(), 0.0);
    EXPECT_EQ(rec.timeMax(), 60000.0);
    ASSERT_EQ(rec.endMarks().size(), 1u);
    EXPECT_EQ(w.Chart1->endMarkLineCount(), 1u);

    // Where the window's owner says the time axis belongs after a clear (a running stream).
    w.setClearRange([] { return std::pair{180000.0, 240000.0}; });
    w.Clear_ButtonClick();
    EXPECT_EQ(rec.timeMin(), 180000.0);
    EXPECT_EQ(rec.timeMax(), 240000.0);
}

TEST(FormOscillo, ScrollBarFollowsTheTimeAxisAndMovesIt) {
    TFormOscillo w(nullptr);
    OscRecording& rec = w.recording();
    OscSeries* s = rec.addSeries("Vehicle Speed", 0x000000, OscAxis::Left);
    s->addPoint(0, 1);
    s->addPoint(600000, 1);
    rec.setTimeRange(120000, 180000);
    EXPECT_EQ(w.ChartScrollBar1->value(), 120000);
    EXPECT_GE(w.ChartScrollBar1->maximum(), 600000 - 60000);
    EXPECT_EQ(w.Chart1->timeAxis()->range(), QCPRange(120000, 180000));
    w.ChartScrollBar1->setValue(300000);
    EXPECT_EQ(rec.timeMin(), 300000.0);
    EXPECT_EQ(rec.timeMax(), 360000.0);
}

TEST(FormOscillo, KeyPreviewSeesKeysBeforeTheFocusedControl) {
    TFormOscillo w(nullptr);
    w.show();
    QList<int> seen;
    QObject::connect(&w, &TFormOscillo::keyPreview, [&](QKeyEvent* e) {
        seen << e->key();
        if (e->key() == Qt::Key_Escape)
            e->accept(); // handled here: the control never gets it
    });
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w.Chart1, &esc);
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QApplication::sendEvent(w.cxSpinEdit_Left, &a);
    EXPECT_EQ(seen, (QList<int>{Qt::Key_Escape, Qt::Key_A}));
    w.hide();
}

// Check marks as (Collect_oscillo, Show_i) before a window is shown.
struct MenuCase {
    bool collect;
    bool indicate;
};

class FormMenu : public ::testing::TestWithParam<MenuCase> {};

TEST_P(FormMenu, ShowTakesOverTheMarksAndCloseGivesThemBack) {
    MenuState menu;
    menu.set(MenuState::Collect_oscillo, GetParam().collect);
    menu.set(MenuState::Show_i, GetParam().indicate);
    menu.set(MenuState::Show_oscillogram, true);
    TFormOscillo w(&menu);
    w.show();
    EXPECT_TRUE(menu.isOn(MenuState::Collect_oscillo));
    EXPECT_FALSE(menu.isOn(MenuState::Show_i));
    w.show(); // already on screen: nothing is saved again
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(menu.isOn(MenuState::Show_oscillogram));
    EXPECT_EQ(menu.isOn(MenuState::Collect_oscillo), GetParam().collect);
    EXPECT_EQ(menu.isOn(MenuState::Show_i), GetParam().indicate);
}

INSTANTIATE_TEST_SUITE_P(Marks, FormMenu,
                         ::testing::Values(MenuCase{false, false}, MenuCase{false, true},
                                           MenuCase{true, false}, MenuCase{true, true}));

TEST(FormMenuShared, SecondWindowSavesTheAlreadyChangedMarks) {
    MenuState menu;
    menu.set(MenuState::Collect_oscillo, false);
    menu.set(MenuState::Show_i, true);
    TFormOscillo ecu(&menu), at(&menu);
    ecu.show();
    at.show(); // saves "collecting on, gauges off"
    EXPECT_TRUE(OscilloMenu::SavedCollect);
    EXPECT_FALSE(OscilloMenu::SavedIndicate);
    ecu.close();
    EXPECT_TRUE(menu.isOn(MenuState::Collect_oscillo));
    EXPECT_FALSE(menu.isOn(MenuState::Show_i));
    at.close();
    EXPECT_TRUE(menu.isOn(MenuState::Collect_oscillo));
    EXPECT_FALSE(menu.isOn(MenuState::Show_i));
}

} // namespace

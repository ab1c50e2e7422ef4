#include "fake_controls.h"
#include "fake_panel_link.h"

#include "protocol/registers.h"
#include "values/cool_gauge.h"
#include "values/hh_aled.h"
#include "values/indicator_panel.h"
#include "values/lamp_caption.h"
#include "values/module_boxes.h"

#include <QApplication>
#include <QGroupBox>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>

namespace {

QWidget* widgetOf(auto* control) {
    return dynamic_cast<QWidget*>(control);
}

// Records the series rule's calls in the order the panel makes them.
struct RecordingRule : SeriesRule {
    std::vector<std::string>* calls = nullptr;
    void beginRebuild(int module) override { calls->push_back("begin " + std::to_string(module)); }
    void apply(int module, int row) override {
        calls->push_back("apply " + std::to_string(module) + " " + std::to_string(row));
    }
};

// A main window of the program's width with a menu bar and a client area.
class PanelTest : public ::testing::Test {
protected:
    PanelTest() {
        ResetRegisterRuntime();
        main.menuBar()->addMenu("&Mode");
        client = new QWidget;
        main.setCentralWidget(client);
        main.resize(435, 200);
        panel = std::make_unique<IndicatorPanel>(link, client);
        panel->createModuleWindows(ModuleEcu);
        panel->createModuleWindows(ModuleAt);
    }
    ~PanelTest() override {
        panel.reset();
        ResetRegisterRuntime();
    }

    static void select(std::initializer_list<int> rows, bool on = true) {
        for (int r : rows)
            RegisterTable[r].Selected = on;
    }
    static void selectRange(int first, int last) {
        for (int r = first; r <= last; ++r)
            RegisterTable[r].Selected = true;
    }
    template <typename W> int count(int module) const {
        return int(panel->ModuleBox(module)->findChildren<W*>().size());
    }
    int visibleLamps() const {
        int n = 0;
        for (auto* lamp : panel->RegistersBox(ModuleEcu)->findChildren<ThhALed*>())
            n += lamp->isHidden() ? 0 : 1;
        return n;
    }

    FakePanelLink link;
    QMainWindow main;
    QWidget* client = nullptr;
    std::unique_ptr<IndicatorPanel> panel;
};

TEST_F(PanelTest, ModuleBoxesSitAtTheTopOfTheClientArea) {
    QGroupBox* box = panel->ModuleBox(ModuleEcu);
    QGroupBox* registers = panel->RegistersBox(ModuleEcu);
    ASSERT_TRUE(box && registers);
    EXPECT_EQ(box->parentWidget(), client);
    EXPECT_EQ(box->title(), " ECU ");
    EXPECT_EQ(panel->ModuleBox(ModuleAt)->title(), " AT ");
    EXPECT_TRUE(box->isHidden());
    main.show();
    QApplication::processEvents();
    EXPECT_EQ(box->geometry(), QRect(0, 0, 435, 20));
    EXPECT_EQ(box->palette().color(QPalette::WindowText), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(registers->parentWidget(), box);
    EXPECT_EQ(registers->title(), " Registers ");
    EXPECT_EQ(registers->geometry(), QRect(235, 6, 180, 10));
    EXPECT_EQ(registers->palette().color(QPalette::WindowText), QColor(0xFF, 0x00, 0x00));

    main.resize(500, main.height()); // the box follows the width
    QApplication::processEvents();
    EXPECT_EQ(box->width(), 500);

    panel->createModuleWindows(ModuleEcu); // once
    EXPECT_EQ(panel->ModuleBox(ModuleEcu), box);
    EXPECT_EQ(client->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly).size(), 2);
}

TEST_F(PanelTest, LayoutFigures) {
    struct Case {
        const char* name;
        int module;
        std::function<void()> selectRows;
        int gaugeTop, lampTop, registersHeight, moduleHeight, clientHeight;
    };
    const Case cases[] = {
        {"nothing selected", ModuleEcu, [] {}, 16, 16, 22, 34, 40},
        {"five gauges", ModuleEcu,
         [] {
             select({9, 10, 11, 12, 13});
         },
         101, 16, 22, 104, 110},
        {"all ECU", ModuleEcu, [] { selectRange(1, 48); }, 390, 336, 342, 393, 399},
        {"all AT", ModuleAt, [] { selectRange(49, 82); }, 271, 336, 342, 354, 360},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetRegisterRuntime();
        link.selectModule(c.module);
        c.selectRows();
        panel->Show_Indicators();
        EXPECT_EQ(panel->nextGaugeTop(), c.gaugeTop);
        EXPECT_EQ(panel->nextLampTop(), c.lampTop);
        EXPECT_EQ(panel->RegistersBox(c.module)->height(), c.registersHeight);
        EXPECT_EQ(panel->ModuleBox(c.module)->height(), c.moduleHeight);
        EXPECT_EQ(link.heights[c.module], c.clientHeight);
    }
}

TEST_F(PanelTest, ControlsAreMadeFromTheCatalogueAndStacked) {
    selectRange(1, 48);
    panel->Show_Indicators();
    EXPECT_EQ(count<TjsCoolGauge>(ModuleEcu), 22);
    EXPECT_EQ(count<ThhALed>(ModuleEcu), 16);
    EXPECT_EQ(count<LampCaption>(ModuleEcu), 16);

    // First gauges: row 2, then row 4, in the module box.
    auto* cas = dynamic_cast<TjsCoolGauge*>(RegisterTable[2].Gauge);
    ASSERT_TRUE(cas);
    EXPECT_EQ(cas->parentWidget(), panel->ModuleBox(ModuleEcu));
    EXPECT_EQ(cas->geometry(), QRect(7, 16, 220, 14));
    EXPECT_EQ(widgetOf(RegisterTable[4].Gauge)->geometry(), QRect(7, 33, 220, 14));
    EXPECT_EQ(widgetOf(RegisterTable[48].Gauge)->geometry(), QRect(7, 16 + 21 * 17, 220, 14));
    EXPECT_EQ(cas->minimum(), 0);
    EXPECT_EQ(cas->maximum(), 8);
    EXPECT_EQ(cas->color1(), QColor(0xFF, 0xFF, 0x00));
    EXPECT_EQ(cas->color2(), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(cas->captionFormat(), "CMPS - RPMx1000 (POS) %f");
    EXPECT_EQ(cas->toolTip(), RegisterTable[2].Hint);
    EXPECT_FALSE(cas->isHidden());
    auto* coolant = dynamic_cast<TjsCoolGauge*>(RegisterTable[9].Gauge);
    EXPECT_EQ(coolant->minimum(), -40);
    EXPECT_EQ(coolant->color1(), QColor(0xA6, 0xCA, 0xF0));

    // Lamps and captions in the registers box, side by side.
    auto* lamp = dynamic_cast<ThhALed*>(RegisterTable[20].Lamp);
    auto* caption = dynamic_cast<LampCaption*>(RegisterTable[20].Caption);
    ASSERT_TRUE(lamp && caption);
    EXPECT_EQ(lamp->parentWidget(), panel->RegistersBox(ModuleEcu));
    EXPECT_EQ(lamp->geometry(), QRect(4, 16, 18, 18));
    EXPECT_FALSE(lamp->isOn());
    EXPECT_EQ(lamp->onColor(), QColor(0x00, 0xFF, 0x00));
    EXPECT_EQ(lamp->offColor(), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(lamp->toolTip(), RegisterTable[20].Hint);
    EXPECT_EQ(caption->parentWidget(), panel->RegistersBox(ModuleEcu));
    EXPECT_EQ(caption->pos(), QPoint(26, 16));
    EXPECT_EQ(caption->text(), "CLSD THL/POS");
    EXPECT_TRUE(caption->font().bold());
    EXPECT_EQ(caption->palette().color(QPalette::WindowText), QColor(0x00, 0x00, 0x80));
    EXPECT_EQ(widgetOf(RegisterTable[46].Lamp)->pos(), QPoint(4, 16 + 15 * 20));
    // The caption fits inside its box.
    EXPECT_LE(caption->geometry().right(), panel->RegistersBox(ModuleEcu)->width() - 1);
}

TEST_F(PanelTest, UnsupportedAndHiddenKindsGetNoControls) {
    selectRange(1, 48);
    RegisterTable[9].Unsupported = true;
    panel->Show_Indicators();
    EXPECT_EQ(RegisterTable[9].Gauge, nullptr);
    for (int r : {1, 19, 33}) // high-byte and group rows
        EXPECT_TRUE(!RegisterTable[r].Gauge && !RegisterTable[r].Lamp);
    EXPECT_EQ(count<TjsCoolGauge>(ModuleEcu), 21);
}

TEST_F(PanelTest, RebuildHidesMovesAndReusesControls) {
    selectRange(1, 48);
    panel->Show_Indicators();
    QWidget* lamp22 = widgetOf(RegisterTable[22].Lamp);
    QWidget* caption22 = widgetOf(RegisterTable[22].Caption);
    QWidget* gauge9 = widgetOf(RegisterTable[9].Gauge);
    EXPECT_EQ(widgetOf(RegisterTable[23].Lamp)->y(), 76);
    EXPECT_EQ(widgetOf(RegisterTable[24].Caption)->y(), 96);

    select({22, 9}, false);
    panel->Show_Indicators();
    EXPECT_TRUE(lamp22->isHidden());
    EXPECT_TRUE(caption22->isHidden());
    EXPECT_TRUE(gauge9->isHidden());
    EXPECT_EQ(widgetOf(RegisterTable[21].Lamp)->y(), 36); // above: unchanged
    EXPECT_EQ(widgetOf(RegisterTable[23].Lamp)->y(), 56); // below: up by 20
    EXPECT_EQ(widgetOf(RegisterTable[23].Caption)->y(), 56);
    EXPECT_EQ(widgetOf(RegisterTable[24].Lamp)->y(), 76);
    EXPECT_EQ(widgetOf(RegisterTable[10].Gauge)->y(), widgetOf(RegisterTable[8].Gauge)->y() + 17);
    EXPECT_EQ(panel->nextLampTop(), 316);

    select({22, 9});
    panel->Show_Indicators();
    EXPECT_EQ(widgetOf(RegisterTable[22].Lamp), lamp22); // the same controls again
    EXPECT_FALSE(lamp22->isHidden());
    EXPECT_EQ(lamp22->y(), 56);
    EXPECT_FALSE(gauge9->isHidden());
    EXPECT_EQ(count<TjsCoolGauge>(ModuleEcu), 22);
    EXPECT_EQ(count<ThhALed>(ModuleEcu), 16);
    EXPECT_EQ(count<LampCaption>(ModuleEcu), 16);
}

TEST_F(PanelTest, SeriesRuleAndEventsRunInTheSameWalk) {
    RecordingRule rule;
    rule.calls = &link.calls;
    panel->setSeriesRule(&rule);
    link.selectModule(ModuleAt);
    selectRange(49, 82);
    panel->Show_Indicators();
    ASSERT_EQ(link.calls.size(), 1u + 2u * 34u);
    EXPECT_EQ(link.calls[0], "begin 3");
    for (int i = 0; i < 34; ++i) {
        EXPECT_EQ(link.calls[1 + 2 * i], "apply 3 " + std::to_string(49 + i));
        EXPECT_EQ(link.calls[2 + 2 * i], "pump");
    }
    // Only the AT rows got controls.
    EXPECT_TRUE(RegisterTable[49].Gauge && RegisterTable[56].Lamp);
    EXPECT_EQ(RegisterTable[2].Gauge, nullptr);
}

TEST_F(PanelTest, MainWindowTakesTheClientHeightAndIsCentred) {
    QWidget activeTests;
    activeTests.resize(300, 200);
    panel->setActiveTestsWindow(&activeTests);
    main.show();
    selectRange(1, 48);
    panel->Show_Indicators();
    QApplication::processEvents();
    EXPECT_EQ(client->height(), 399);
    EXPECT_EQ(main.width(), 435);
    const QRect desk = main.screen()->availableGeometry();
    EXPECT_NEAR(main.frameGeometry().center().x(), desk.center().x(), 1);
    EXPECT_NEAR(main.frameGeometry().center().y(), desk.center().y(), 1);
    EXPECT_EQ(activeTests.pos(), QPoint(0, 0)); // hidden: left where it is

    activeTests.show();
    link.heights[ModuleEcu] = 30; // e.g. the unit stopped answering
    panel->Set_SizePos();
    QApplication::processEvents();
    EXPECT_EQ(client->height(), 30);
    const QRect frame = main.frameGeometry();
    EXPECT_EQ(activeTests.pos(), QPoint(frame.x() + frame.width(), frame.y()));
}

TEST_F(PanelTest, TableForgetsControlsThatAreGone) {
    selectRange(1, 48);
    panel->Show_Indicators();
    ASSERT_TRUE(RegisterTable[2].Gauge && RegisterTable[20].Lamp && RegisterTable[20].Caption);
    delete panel->ModuleBox(ModuleEcu);
    EXPECT_EQ(RegisterTable[2].Gauge, nullptr);
    EXPECT_EQ(RegisterTable[20].Lamp, nullptr);
    EXPECT_EQ(RegisterTable[20].Caption, nullptr);
}

} // namespace

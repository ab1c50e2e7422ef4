#pragma once

#include "link/seams.h"
#include "protocol/commands.h"
#include "values/select_sensor_dlg.h"

#include <QGroupBox>
#include <QPointer>
#include <QString>

#include <array>

class PanelLink;
class QWidget;
class SeriesRule;

// The live-values panel of the main window: per unit a module box of bar gauges
// and a registers box of lamps, rebuilt from the selection flags of the register
// table, and the unit's sensor selection dialog. Controls are made on a register's
// first display and afterwards only moved, shown and hidden.
class IndicatorPanel : public IndicatorHooks {
public:
    // client: the main window's client area (its window() is the main window).
    IndicatorPanel(PanelLink& link, QWidget* client);
    ~IndicatorPanel() override;
    IndicatorPanel(const IndicatorPanel&) = delete;
    IndicatorPanel& operator=(const IndicatorPanel&) = delete;

    // Start-up's window creation for a unit: its boxes and its sensor dialog, once.
    void createModuleWindows(int module);
    QGroupBox* ModuleBox(int module) const;
    QGroupBox* RegistersBox(int module) const;
    TSelectSensorDlg* SensorDialog(int module) const;

    // The oscillogram's series rule; may stay null.
    void setSeriesRule(SeriesRule* rule) { m_seriesRule = rule; }
    // The active tests window, kept beside the main window while visible; may be null.
    void setActiveTestsWindow(QWidget* window) { m_activeTests = window; }

    void Show_Indicators() override;
    void Set_SizePos() override;
    void clearSensorList(int module) override;
    int addSensor(int module, const QString& name) override;

    // "&Select sensors to view".
    void Select_sensorsClick();

    // Where the next gauge and lamp would go after the last rebuild.
    int nextGaugeTop() const { return m_nextGaugeTop; }
    int nextLampTop() const { return m_nextLampTop; }

    // Layout of the panel, in pixels.
    static constexpr int GaugeLeft = 7;
    static constexpr int GaugeWidth = 220;
    static constexpr int GaugeHeight = 14;
    static constexpr int GaugeStep = GaugeHeight + 3;
    static constexpr int FirstTop = 16;
    static constexpr int LampLeft = 4;
    static constexpr int CaptionLeft = LampLeft + 22;
    static constexpr int LampStep = 16 + 4;
    static constexpr int LampSize = 18;

private:
    static bool validModule(int module) { return module >= ModuleEcu && module < ModuleSlots; }
    void showGauge(int row, QGroupBox* box, int top);
    void showLamp(int row, QGroupBox* box, int top);
    static void hideControls(int row);

    PanelLink& m_link;
    QPointer<QWidget> m_client;
    std::array<QPointer<QGroupBox>, ModuleSlots> m_moduleBoxes{};
    std::array<QPointer<QGroupBox>, ModuleSlots> m_registersBoxes{};
    std::array<QPointer<TSelectSensorDlg>, ModuleSlots> m_dialogs{};
    SeriesRule* m_seriesRule = nullptr;
    QPointer<QWidget> m_activeTests;
    int m_nextGaugeTop = FirstTop;
    int m_nextLampTop = FirstTop;
};

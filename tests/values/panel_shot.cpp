// Renders the ECU panel with every register selected after a few frames of
// realistic engine data: zedovudera-panel-shot OUT.png [pixel ratio]
#include "fake_panel_link.h"

#include "protocol/coloured_lines.h"
#include "protocol/registers.h"
#include "values/converters.h"
#include "values/indicator_panel.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLocale>

#include <cmath>
#include <cstdio>

namespace {

// Raw bytes of a warm engine a little above idle, frame f of a short run.
void frameBytes(int f) {
    auto set = [](int row, int value) {
        RegisterTable[row].Raw = static_cast<std::uint8_t>(value);
    };
    auto word = [&](int row, int value) {
        set(row - 1, value >> 8);
        set(row, value & 0xFF);
    };
    const double wobble = std::sin(f * 0.7);
    word(2, int(1450 / 12.5 + 4 * wobble));  // 1.45 krpm
    word(4, int(1450 / 8.0 + 6 * wobble));   // reference pulse, same speed
    word(6, int(1.62 / 0.005 + 8 * wobble)); // MAF left, volts
    word(8, int(1.58 / 0.005 + 8 * wobble)); // MAF right
    set(9, 88 + 50);                         // coolant 88 C
    set(10, f % 2 ? 78 : 21);                // O2 sensors switching
    set(11, f % 2 ? 24 : 81);
    set(12, 14 + f % 2);   // 28-30 km/h
    set(13, 176);          // 14.08 V
    set(14, 29);           // throttle 0.58 V
    set(15, 34 + 50);      // fuel 34 C
    set(16, 50 + 61);      // EGR 61 C
    set(17, 50 + 31);      // intake air 31 C
    set(18, 212);          // exhaust gas 212 C
    word(26, 247 + f % 3); // 2.47 ms
    set(27, 110 - 14);     // 14 deg BTDC
    set(28, 76 + f % 2);   // idle air valve 38 %
    set(29, 102 - f % 3);  // A/F alpha
    set(30, 97 + f % 2);
    set(31, 100);
    set(32, 103);
    word(48, 249 + f % 3);
    set(19, f % 2 ? 0x01 : 0x05); // throttle closed, park/neutral
    set(33, 0x40 | 0x01);         // fuel pump, fan low
    set(39, 0x08);                // FICD solenoid
    set(44, f % 2 ? 0x80 : 0x40); // mixture monitors
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.png [pixel ratio]\n", argv[0]);
        return 2;
    }
    const qreal dpr = argc > 2 ? QString(argv[2]).toDouble() : 2.0;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    QWidget client;
    client.resize(435, 420);
    FakePanelLink link;
    IndicatorPanel panel(link, &client);
    panel.createModuleWindows(ModuleEcu);
    for (int r = 1; r <= 48; ++r)
        RegisterTable[r].Selected = true;
    panel.Show_Indicators();
    QGroupBox* box = panel.ModuleBox(ModuleEcu);
    box->show();
    client.resize(435, link.clientHeight(ModuleEcu));
    client.show();
    QApplication::processEvents();

    DebugLog log;
    std::uint8_t overMax = 0;
    ConvertContext ctx;
    ctx.Log = &log;
    ctx.OverMaxSeen = &overMax;
    for (int f = 0; f < 6; ++f) {
        ctx.OscTime = f * 40;
        frameBytes(f);
        for (int r = 1; r <= 48; ++r)
            if (RegisterTable[r].Selected)
                Convert(r, true, false, ctx);
    }
    QApplication::processEvents();

    QImage image(client.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    client.render(&image);
    if (!image.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

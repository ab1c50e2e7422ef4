// Renders an engine unit's oscillogram window after a minute of a simulated stream:
//   oscillo_shot OUT.png [width height]
// Every register of the engine unit is selected; values and lamps come as the converters
// record them (a lamp adds its two points only when it changes).

#include "ecu_drive.h"
#include "oscillo/osc_chart.h"
#include "oscillo/oscillo_form.h"
#include "protocol/commands.h"
#include "protocol/registers.h"

#include <QApplication>
#include <QImage>

#include <cstdio>
#include <random>
#include <vector>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: oscillo_shot OUT.png [width height]\n");
        return 2;
    }
    const int width = argc > 3 ? QString(argv[2]).toInt() : 1600;
    const int height = argc > 3 ? QString(argv[3]).toInt() : 900;

    TFormOscillo window(nullptr);
    window.setWindowTitle(QStringLiteral("Oscillogramm - ") + Module(ModuleEcu).ShortName);
    const std::vector<int> rows = SelectEveryEcuSeries(window.recording());
    const auto range = RegisterRange(ModuleEcu);

    // A warm engine at idle that is then driven off, a frame every 33 ms or so.
    EcuDrive drive(11, 84.0);
    std::mt19937 jitter(5);
    std::uniform_int_distribution<int> gap(30, 37);
    std::int64_t t = 0;
    const std::int64_t end = 58700;
    while (true) {
        t = std::min(end, t + gap(jitter));
        drive.advance(t);
        for (int r : rows) {
            TMopaProtocol& reg = RegisterTable[r];
            if (reg.Kind == 1) {
                const float level = 3.0f * float(r - range.first);
                const bool on = drive.lamp(r);
                if (on != (reg.Value == 1.0f)) {
                    reg.Value = on ? 1.0f : 0.0f;
                    reg.Series->addPoint(double(t), on ? level : level + 1);
                    reg.Series->addPoint(double(t), on ? level + 1 : level);
                }
            } else {
                reg.Series->addPoint(double(t), drive.value(r));
            }
        }
        if (t == end)
            break;
    }
    window.Set_EndOsc(0xFF0000, end); // the stream was stopped here

    window.setWindowState(Qt::WindowNoState);
    window.show(); // showing fits the window to the screen's width
    window.resize(width, height);
    QApplication::processEvents();
    window.Chart1->replotNow();
    QApplication::processEvents();
    const QImage shot = window.grab().toImage();
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

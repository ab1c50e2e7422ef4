// Writes a picture of the main window streaming from the unit simulator, for the
// README: zv-main-screenshot OUT.png (run with QT_QPA_PLATFORM=offscreen, and
// QT_SCALE_FACTOR=2 for a sharp picture).
#include "serial/port_names.h"
#include "shell/com_main_form.h"
#include "shell/qt_prompts.h"
#include "shell/zv_application.h"
#include "unitsim/unit_simulator.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zv-main-screenshot OUT.png\n");
        return 2;
    }
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    ZvApplication app(argc, argv);
    const QString out = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
    QDir::setCurrent(home.path());

    constexpr int Com = 117;
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.com = Com;
    config.portsDir = ZvConfigDir() + QStringLiteral("/ports");
    unitsim::UnitSimulator sim(config);
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    QDir().mkpath(ZvConfigDir());
    QFile ini(ZvConfigDir() + QStringLiteral("/HKEY_LOCAL_MACHINE.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[Software/ZedoVudera/Communication]\nPort=" + QByteArray::number(Com) + "\n");
    ini.close();

    QtPrompts prompts;
    TForm1::Services services;
    services.prompts = &prompts;
    TForm1 form(services);
    form.FormCreate();
    form.show();
    bool saved = false;
    // Let the gauges move for a few seconds, then take the picture and stop.
    QTimer::singleShot(4000, [&] {
        saved = form.grab().save(out);
        form.action(QStringLiteral("Start"))->trigger();
    });
    form.action(QStringLiteral("Start"))->trigger();
    form.close();
    sim.stop();
    if (!saved) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s\n", qPrintable(out));
    return 0;
}

#include "e2e_rig.h"

#include "protocol/active_tests.h"
#include "protocol/registers.h"
#include "serial/port_names.h"
#include "shell/error_report.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

E2eRig::E2eRig() {
    ResetRegisterRuntime();
    ResetActiveRuntime();
    m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    m_savedDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    SetErrorReportSink([this](const QString& text) { reports << text; });
}

E2eRig::~E2eRig() {
    m_form.reset();
    if (sim)
        sim->stop();
    SetErrorReportSink({});
    QDir::setCurrent(m_savedDir);
    if (m_savedConfigHome.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
}

bool E2eRig::startSimulator(unitsim::SimConfig config) {
    config.com = Com;
    config.portsDir = ZvConfigDir() + QStringLiteral("/ports");
    config.fast = true;
    config.transcript = transcriptPath();
    sim = std::make_unique<unitsim::UnitSimulator>(config);
    QString error;
    if (!sim->start(&error)) {
        ADD_FAILURE() << error.toStdString();
        return false;
    }
    return true;
}

void E2eRig::storePort(int port) {
    QDir().mkpath(ZvConfigDir());
    QFile f(ZvConfigDir() + QStringLiteral("/HKEY_LOCAL_MACHINE.ini"));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write("[Software/ZedoVudera/Communication]\nPort=" + QByteArray::number(port) + "\n");
}

QString E2eRig::storedPort() const {
    QSettings s(ZvConfigDir() + QStringLiteral("/HKEY_LOCAL_MACHINE.ini"), QSettings::IniFormat);
    return s.value(QStringLiteral("Software/ZedoVudera/Communication/Port")).toString();
}

TForm1& E2eRig::form() {
    if (!m_form) {
        TForm1::Services s;
        s.prompts = &prompts;
        m_form = std::make_unique<TForm1>(s);
        QObject::connect(m_form.get(), &TForm1::closed, [this] { ++closedSignals; });
    }
    return *m_form;
}

QByteArray E2eRig::received() const {
    QFile f(transcriptPath());
    QByteArray bytes;
    if (!f.open(QIODevice::ReadOnly))
        return bytes;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        for (qsizetype i = 1; i < fields.size(); ++i)
            bytes += QByteArray::fromHex(fields[i]);
    }
    return bytes;
}

bool waitFor(const std::function<bool()>& cond, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!cond() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return cond();
}

#include "shell_rig.h"

#include "protocol/active_tests.h"
#include "protocol/registers.h"

#include <QFile>

ShellRig::ShellRig() {
    ResetRegisterRuntime();
    ResetActiveRuntime();
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    SetErrorReportSink([this](const QString& text) { reports << text; });
}

ShellRig::~ShellRig() {
    m_form.reset();
    SetErrorReportSink({});
    QDir::setCurrent(previousDir);
}

TForm1& ShellRig::form() {
    if (!m_form) {
        TForm1::Services s;
        s.pump = &pump;
        s.port = &port;
        s.prompts = &prompts;
        s.configDir = dir.path();
        s.choosePort = [this] {
            events << QStringLiteral("port dialog");
            if (choosePort)
                choosePort();
        };
        m_form = std::make_unique<TForm1>(s);
        QObject::connect(m_form.get(), &TForm1::closed, [this] { ++closedSignals; });
    }
    return *m_form;
}

void ShellRig::storePort(const QString& value) {
    QFile f(iniPath());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write("[Software/ZedoVudera/Communication]\nPort=" + value.toUtf8() + "\n");
}

QString ShellRig::storedPort() const {
    QSettings s(iniPath(), QSettings::IniFormat);
    return s.value(QStringLiteral("Software/ZedoVudera/Communication/Port")).toString();
}

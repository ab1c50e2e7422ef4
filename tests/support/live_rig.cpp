#include "support/live_rig.h"

#include "protocol/active_tests.h"
#include "protocol/registers.h"
#include "serial/port_names.h"

#include <QFile>

ScopedConfigHome::ScopedConfigHome()
    : m_previous(qgetenv("XDG_CONFIG_HOME")),
      m_hadPrevious(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
    if (m_dir.isValid())
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
}

ScopedConfigHome::~ScopedConfigHome() {
    if (m_hadPrevious)
        qputenv("XDG_CONFIG_HOME", m_previous);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

LiveRig::LiveRig(int comNumber, const Hooks& hooks) : com(comNumber) {
    ResetRegisterRuntime();
    ResetActiveRuntime();
    LinkEngine::Seams s;
    s.pump = hooks.pump ? hooks.pump : &pump;
    s.port = &port;
    s.prompts = &prompts;
    s.log = &log;
    s.menu = &menu;
    s.view = hooks.view;
    s.indicators = hooks.indicators;
    s.converters = hooks.converters;
    engine = std::make_unique<LinkEngine>(s);
    port.bind(*engine);
    component.setPort(com);
}

LiveRig::~LiveRig() {
    port.unbind();
    if (component.Active())
        component.setActive(false);
    if (sim)
        sim->stop();
}

bool LiveRig::startSimulator(unitsim::SimConfig config, QString* error) {
    config.com = com;
    config.portsDir = ZvConfigDir() + QStringLiteral("/ports");
    sim = std::make_unique<unitsim::UnitSimulator>(config);
    return sim->start(error);
}

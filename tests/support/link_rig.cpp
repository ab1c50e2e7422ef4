#include "support/link_rig.h"

#include "protocol/active_tests.h"
#include "protocol/registers.h"

namespace {

LinkEngine::Seams seamsOf(LinkRig& rig) {
    ResetRegisterRuntime();
    ResetActiveRuntime();
    LinkEngine::Seams s;
    s.pump = &rig.pump;
    s.port = &rig.port;
    s.prompts = &rig.prompts;
    s.log = &rig.log;
    s.menu = &rig.menu;
    s.view = &rig.view;
    s.converters = &rig.converters;
    s.indicators = &rig.indicators;
    s.oscillo = &rig.oscillo;
    s.faults = &rig.faults;
    return s;
}

} // namespace

LinkRig::LinkRig() : converters([this] { return engine.OscTime; }), engine(seamsOf(*this)) {
    port.onDataAvailable = [this] { engine.DurIveRadaDataAvailable(); };
    port.onLinkLost = [this] { engine.DurIveRadaLinkLost(); };
}

QStringList LinkRig::logLines(qsizetype first) const {
    QStringList out;
    for (qsizetype i = first; i < log.count(); ++i)
        out << log.line(i).text;
    return out;
}

QStringList LinkRig::colouredLines(qsizetype first) const {
    QStringList out;
    for (qsizetype i = first; i < log.count(); ++i) {
        const QString rgb = QString::number(log.line(i).colour, 16).rightJustified(6, QChar('0'));
        out << QStringLiteral("#") + rgb.toUpper() + QStringLiteral(" ") + log.line(i).text;
    }
    return out;
}

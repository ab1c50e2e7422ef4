#include "protocol/faults.h"

#include <QtGlobal>

#include <array>

namespace {

const std::array<TMopaError, FaultCount + 1>& faultTable() {
    static const std::array<TMopaError, FaultCount + 1> table{{
        {},
        {0x11, QStringLiteral("Camshaft position sensor / circuit ")},
        {0x12, QStringLiteral("Mass airflow sensor/circuit")},
        {0x13, QStringLiteral("Coolant temperature sensor")},
        {0x14, QStringLiteral("Vehicle speed sensor")},
        {0x21, QStringLiteral("Ignition signal")},
        {0x25, QStringLiteral("Idle Air Control Valve (IACV-AAC)")},
        {0x28, QStringLiteral("Overheat condition")},
        {0x31, QStringLiteral("ECM control unit")},
        {0x32, QStringLiteral("EGR function")},
        {0x33, QStringLiteral("Oxygen sensor")},
        {0x34, QStringLiteral("Knock sensor")},
        {0x35, QStringLiteral("Exhaust gas temperature sensor")},
        {0x36, QStringLiteral("EGRC-BPT valve problem")},
        {0x37, QStringLiteral("Closed loop operation")},
        {0x41, QStringLiteral("Intake air temperature")},
        {0x43, QStringLiteral("Throttle position sensor (TPS)")},
        {0x45, QStringLiteral("Injector Leak")},
        {0x51, QStringLiteral("Injector Circuit")},
        {0x55, QStringLiteral("Normal operation")},
        {0x65, QStringLiteral("Misfire on cylinder 4")},
        {0x66, QStringLiteral("Misfire on cylinder 3")},
        {0x67, QStringLiteral("Misfire on cylinder 2")},
        {0x68, QStringLiteral("Misfire on cylinder 1")},
        {0x71, QStringLiteral("Random misfire")},
        {0x72, QStringLiteral("Catalytic converter system problem")},
        {0x76, QStringLiteral("Fuel injection system problem")},
        {0x77, QStringLiteral("Rear oxygen sensor problem")},
        {0x82, QStringLiteral("Crankshaft position sensor signal problem")},
        {0x84, QStringLiteral("A/T diagnostic communications line")},
        {0x85, QStringLiteral("VTC Solenoid Valve")},
        {0x91, QStringLiteral("Front oxygen sensor heater problem")},
        {0x95, QStringLiteral("Crank P/S COG")},
        {0x98, QStringLiteral("Coolant temperature sensor out of range")},
        {0xA3, QStringLiteral("Park / neutral switch malfunction")},
        {0xA5, QStringLiteral("EGRC solenoid")},
        {0xB1, QStringLiteral("Inhibitor switch")},
        {0xB2, QStringLiteral("Vehicle speed sensor, A/T")},
        {0xB3, QStringLiteral("A/T first signal")},
        {0xB4, QStringLiteral("A/T second signal")},
        {0xB5, QStringLiteral("A/T third signal")},
        {0xB6, QStringLiteral("A/T 4th Signal or TCC")},
        {0xB8, QStringLiteral("Shift solenoid, A/T")},
        {0xC1, QStringLiteral("Shift solenoid, A/T")},
        {0xC3, QStringLiteral("Overrun clutch, A/T")},
        {0xC4, QStringLiteral("Torque converter clutch")},
        {0xC5, QStringLiteral("Line pressure, A/T")},
        {0xC6, QStringLiteral("Throttle position sensor, A/T")},
        {0xC7, QStringLiteral("Engine speed signal to A/T")},
        {0xC8, QStringLiteral("A/T fluid temperature sensor")},
    }};
    return table;
}

} // namespace

const TMopaError& FaultRow(int n) {
    Q_ASSERT(n >= 1 && n <= FaultCount);
    return faultTable().at(static_cast<std::size_t>(n));
}

QStringList FaultTexts(unsigned char c) {
    QStringList texts;
    for (int n = 1; n <= FaultCount; ++n) {
        const TMopaError& row = FaultRow(n);
        if ((row.Code & 0xFF) == c) {
            texts << row.Text;
        }
    }
    return texts;
}

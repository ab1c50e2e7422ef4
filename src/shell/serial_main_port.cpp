#include "shell/serial_main_port.h"

#include "link/link_engine.h"

SerialMainPort::SerialMainPort() {
    DurIveRada.setObjectName(QStringLiteral("DurIveRada"));
    DurIveRada.setBaudrate(9600);
    DurIveRada.setByteSize(8);
    DurIveRada.setParity(ptNone);
    DurIveRada.setStopBits(sbOne);
}

SerialMainPort::~SerialMainPort() {
    unbind();
    if (DurIveRada.Active()) {
        try {
            DurIveRada.setActive(false);
        } catch (...) {
            // Closing at exit: nothing left to tell anyone.
        }
    }
}

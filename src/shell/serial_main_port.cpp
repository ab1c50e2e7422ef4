#include "shell/serial_main_port.h"

SerialMainPort::SerialMainPort() {
    DurIveRada.setObjectName(QStringLiteral("DurIveRada"));
    DurIveRada.setBaudrate(9600);
    DurIveRada.setByteSize(8);
    DurIveRada.setParity(ptNone);
    DurIveRada.setStopBits(sbOne);
}

SerialMainPort::~SerialMainPort() {
    m_link.unbind();
    if (DurIveRada.Active())
        DurIveRada.setActive(false);
}

#include "serial/flow_ctrl.h"

#include "serial/dore_dor_iror.h"

TFlowCtrl::TFlowCtrl(DOreDorIror* port) : m_port(port) {}

void TFlowCtrl::replaceGroup(std::uint32_t group, std::uint32_t bits) {
    m_flags = (m_flags & ~group) | bits | fBinary;
    Apply();
}

void TFlowCtrl::Apply() {
    if (m_port && m_port->Active())
        m_port->applyFlowFlags();
}

void TFlowCtrl::setRxDtrControl(TDtrControl v) {
    if (v == m_rxDtrControl)
        return;
    m_rxDtrControl = v;
    static constexpr std::uint32_t bits[] = {0x0000, 0x0010, 0x0020};
    replaceGroup(fDtrControlMask, bits[v <= dtrHandshake ? v : dtrDisable]);
}

void TFlowCtrl::setRxRtsControl(TRtsControl v) {
    if (v == m_rxRtsControl)
        return;
    m_rxRtsControl = v;
    static constexpr std::uint32_t bits[] = {0x0000, 0x1000, 0x2000, 0x3000};
    replaceGroup(fRtsControlMask, bits[v <= rtsToggle ? v : rtsDisable]);
}

void TFlowCtrl::setRxDsrSensivity(bool v) {
    if (v == m_rxDsrSensivity)
        return;
    m_rxDsrSensivity = v;
    replaceGroup(fDsrSensitivity, v ? fDsrSensitivity : 0);
}

void TFlowCtrl::setTxContinueXoff(bool v) {
    if (v == m_txContinueXoff)
        return;
    m_txContinueXoff = v;
    replaceGroup(fTXContinueOnXoff, v ? fTXContinueOnXoff : 0);
}

void TFlowCtrl::setTxCtsFlow(bool v) {
    if (v == m_txCtsFlow)
        return;
    m_txCtsFlow = v;
    replaceGroup(fOutxCtsFlow, v ? fOutxCtsFlow : 0);
}

void TFlowCtrl::setTxDsrFlow(bool v) {
    if (v == m_txDsrFlow)
        return;
    m_txDsrFlow = v;
    replaceGroup(fOutxDsrFlow, v ? fOutxDsrFlow : 0);
}

void TFlowCtrl::setXonXoff(bool v) {
    if (v == m_xonXoff)
        return;
    m_xonXoff = v;
    replaceGroup(fOutXInX, v ? fOutXInX : 0);
}

#pragma once

#include "serial/serial_types.h"

#include <cstdint>

class DOreDorIror;

// Flow-control settings of a port. Each property owns a group of bits of the
// flag word; the word is what reaches the device (termios and modem lines).
class TFlowCtrl {
public:
    // Flag bits.
    static constexpr std::uint32_t fBinary = 0x0001;
    static constexpr std::uint32_t fOutxCtsFlow = 0x0004;
    static constexpr std::uint32_t fOutxDsrFlow = 0x0008;
    static constexpr std::uint32_t fDtrControlMask = 0x0030;
    static constexpr std::uint32_t fDsrSensitivity = 0x0040;
    static constexpr std::uint32_t fTXContinueOnXoff = 0x0080;
    static constexpr std::uint32_t fOutXInX = 0x0300;
    static constexpr std::uint32_t fRtsControlMask = 0x3000;

    explicit TFlowCtrl(DOreDorIror* port);
    TFlowCtrl(const TFlowCtrl&) = delete;
    TFlowCtrl& operator=(const TFlowCtrl&) = delete;

    std::uint32_t FFlags() const { return m_flags; }

    TDtrControl RxDtrControl() const { return m_rxDtrControl; }
    void setRxDtrControl(TDtrControl v);
    TRtsControl RxRtsControl() const { return m_rxRtsControl; }
    void setRxRtsControl(TRtsControl v);
    bool RxDsrSensivity() const { return m_rxDsrSensivity; }
    void setRxDsrSensivity(bool v);
    bool TxContinueXoff() const { return m_txContinueXoff; }
    void setTxContinueXoff(bool v);
    bool TxCtsFlow() const { return m_txCtsFlow; }
    void setTxCtsFlow(bool v);
    bool TxDsrFlow() const { return m_txDsrFlow; }
    void setTxDsrFlow(bool v);
    bool XonXoff() const { return m_xonXoff; }
    void setXonXoff(bool v);

private:
    void replaceGroup(std::uint32_t group, std::uint32_t bits);
    // Writes the word to the device when the port is open.
    void Apply();

    std::uint32_t m_flags = 0x1011; // UI thread only, like every property
    DOreDorIror* m_port;
    TDtrControl m_rxDtrControl = dtrEnable;
    TRtsControl m_rxRtsControl = rtsEnable;
    bool m_rxDsrSensivity = false;
    bool m_txContinueXoff = false;
    bool m_txCtsFlow = false;
    bool m_txDsrFlow = false;
    bool m_xonXoff = false;
};

#pragma once

#include "serial/edur_ive_rada.h"
#include "serial/flow_ctrl.h"
#include "serial/serial_types.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>

class QTimer;
class TRurCommThread;

// The program's serial port component: one COM device, its line settings, an
// event thread that announces received bytes, and the events that reach the
// owner on the thread the component was created on (the UI thread).
//
// Received bytes are announced through OnDataAvailable. In direct, line and
// threshold modes the event thread waits until the handler has returned (the
// handler reads with Read/ReadString); in timeout mode and for every other event
// the notification is queued. Handlers run inside the UI thread's event loop,
// nested loops included.
class DOreDorIror : public QObject {
public:
    explicit DOreDorIror(QObject* owner = nullptr);
    ~DOreDorIror() override;

    // Line settings; assigned while open they reach the device at once.
    int Baudrate() const { return m_baudrate.load(); }
    void setBaudrate(int v);
    std::uint8_t ByteSize() const { return m_byteSize; }
    void setByteSize(std::uint8_t v);
    TParity Parity() const { return m_parity; }
    void setParity(TParity v);
    TStopBits StopBits() const { return m_stopBits; }
    void setStopBits(TStopBits v);
    TFlowCtrl& FlowCtrl() { return m_flowCtrl; }
    const TFlowCtrl& FlowCtrl() const { return m_flowCtrl; }

    // Driver queue sizes. Linux has fixed tty queues and fixed XON/XOFF limits,
    // so these are kept for the owner only.
    std::uint32_t RxBuffer() const { return m_rxBuffer; }
    void setRxBuffer(std::uint32_t v);
    std::uint32_t TxBuffer() const { return m_txBuffer; }
    void setTxBuffer(std::uint32_t v) { m_txBuffer = v; }
    std::int32_t XoffLim() const { return m_xoffLim; }
    std::int32_t XonLim() const { return m_xonLim; }

    // Used at the next open.
    int Port() const { return m_port; }
    void setPort(int v) { m_port = v; }
    TPortOptions PortOptions() const { return m_portOptions; }
    void setPortOptions(TPortOptions v) { m_portOptions = v; }

    // Receive modes: direct (all off), line, threshold, timeout.
    bool LineMode() const { return m_lineMode.load(); }
    void setLineMode(bool v);
    QByteArray LineEnd() const;
    void setLineEnd(const QByteArray& v);
    bool RxThresholdUse() const { return m_rxThresholdUse.load(); }
    void setRxThresholdUse(bool v);
    int RxThresholdAmount() const { return m_rxThresholdAmount.load(); }
    void setRxThresholdAmount(int v) { m_rxThresholdAmount.store(v); }
    int RxTimeout() const { return m_rxTimeout.load(); }
    // Throws EDurIveRada "Value can not be negatieve" for v < 0.
    void setRxTimeout(int v);

    QString Version() const { return QStringLiteral("1.14"); }
    void setVersion(const QString&) {}

    bool Active() const { return m_active; }
    // Opening throws EDurIveRada "Cannot open port '<path>'" (plus a hint when the
    // user can fix it); Active then stays false.
    void setActive(bool v);

    // The announced bytes (valid inside the data-available handler).
    int Read(char* buffer, int count);
    void ReadString(QByteArray& s);
    QByteArray ReadString();
    std::uint32_t InputCount() const;
    // Monotonic ms (ZvMonotonicMs) at which the announced bytes arrived.
    std::int64_t ArrivalMs() const { return m_arrivalMs; }

    // Sends without blocking: what the kernel does not take now is sent by the
    // event thread. Returns the count written at once. Throws "Port not open".
    int Write(const char* data, int count);
    int WriteString(const QByteArray& s);
    // Discards the received bytes not yet read, and the driver's input queue.
    void PurgeInput();

    static void EnumComPorts(QStringList& list);

    // The open device's path while active; otherwise the path the next open uses.
    QString DevicePath() const;
    // Bytes taken from the device in this open period (for traffic counters).
    std::uint64_t BytesReceived() const;
    // False once the event thread has ended (after a lost link, or while closed).
    bool EventThreadRunning() const;

    TPortEvent<void(DOreDorIror*)> OnDataAvailable;
    TPortEvent<void(DOreDorIror*)> OnDataSent;
    TPortEvent<void(DOreDorIror*, bool)> OnCtsChanged;
    TPortEvent<void(DOreDorIror*, bool)> OnDsrChanged;
    TPortEvent<void(DOreDorIror*, std::uint32_t)> OnError;
    TPortEvent<void(DOreDorIror*, const std::exception&)> OnBGException;
    // The device went away (adapter pulled, pty closed). Told once per open; the
    // event thread has ended. The owner sets Active := false, and may reopen later.
    TPortEvent<void(DOreDorIror*)> OnLinkLost;

private:
    friend class TFlowCtrl;
    friend class TRurCommThread;

    enum class PortMessage {
        DataAvailable,
        DataSent,
        CtsChanged,
        DsrChanged,
        Error,
        RestartTimer,
        LinkLost
    };

    void OpenPort();
    void ClosePort();
    bool bufferedMode() const;
    void applyFlowFlags();

    // From the event thread: queue a message for the UI thread.
    void postPortMessage(std::uint64_t period, PortMessage msg, std::uint32_t value);
    // From the event thread: a synchronous delivery waits for serveSyncDelivery().
    void postSyncServe(std::uint64_t period);
    void serveSyncDelivery();
    void HandlePortMessage(std::uint64_t period, PortMessage msg, std::uint32_t value);
    template <typename Call> void guarded(Call&& call);
    void deliverDataAvailable();
    void RestartRxTimer();
    void RxTimerTick();
    QByteArray lineEndForThread() const;

    // UI thread only.
    bool m_destroying = false;
    bool m_active = false;
    bool m_closing = false;
    TPortOptions m_portOptions;
    TFlowCtrl m_flowCtrl{this};
    std::uint8_t m_byteSize = 8;
    TStopBits m_stopBits = sbOne;
    TParity m_parity = ptNone;
    int m_port = 0;
    std::uint32_t m_rxBuffer = 8192;
    std::int32_t m_xoffLim = 0;
    std::int32_t m_xonLim = 0;
    std::uint32_t m_txBuffer = 8192;
    std::unique_ptr<QTimer> m_timer; // exists while RxTimeout > 0
    int m_fd = -1;                   // open device; the thread borrows it until joined
    QString m_openPath;              // the path m_fd was opened with
    std::uint64_t m_period = 0;      // counts opens; messages of a closed period are dropped
    std::uint64_t m_servingId = 0;   // synchronous delivery whose handler is running
    std::int64_t m_arrivalMs = 0;
    std::unique_ptr<TRurCommThread> m_thread; // exists while active

    // Written by the UI thread, read by the event thread: atomics.
    std::atomic<int> m_baudrate{9600};
    std::atomic<bool> m_lineMode{false};
    std::atomic<bool> m_rxThresholdUse{false};
    std::atomic<int> m_rxThresholdAmount{0};
    std::atomic<int> m_rxTimeout{0};
    mutable std::mutex m_lineEndLock; // guards m_lineEnd (read by the event thread in line mode)
    QByteArray m_lineEnd;
};

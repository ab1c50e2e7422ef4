#include "serial/dore_dor_iror.h"

#include "serial/comm_thread.h"
#include "serial/port_names.h"
#include "serial/tty_device.h"

#include <QMetaObject>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <termios.h>

#include <termios.h>

DOreDorIror::DOreDorIror(QObject* owner) : QObject(owner) {
    m_lineEnd = QByteArray("\r\n", 2);
    m_xoffLim = static_cast<std::int32_t>(m_rxBuffer / 2);
    m_xonLim = static_cast<std::int32_t>((m_rxBuffer >> 2) * 3);
}

DOreDorIror::~DOreDorIror() {
    m_destroying = true;
    if (m_active) {
        ClosePort();
        m_active = false;
    }
    m_timer.reset();
}

// ---- settings ---------------------------------------------------------------

void DOreDorIror::setBaudrate(int v) {
    if (v == m_baudrate.load())
        return;
    m_baudrate.store(v);
    if (m_active)
        tty::applyBaudrate(m_fd, v);
}

void DOreDorIror::setByteSize(std::uint8_t v) {
    if (v == m_byteSize)
        return;
    m_byteSize = v;
    if (m_active)
        tty::updateTermios(m_fd, [v](termios& t) { tty::setByteSize(t, v); });
}

void DOreDorIror::setParity(TParity v) {
    if (v == m_parity)
        return;
    m_parity = v;
    if (m_active)
        tty::updateTermios(m_fd, [v](termios& t) { tty::setParity(t, v); });
}

void DOreDorIror::setStopBits(TStopBits v) {
    if (v == m_stopBits)
        return;
    m_stopBits = v;
    if (m_active)
        tty::updateTermios(m_fd, [v](termios& t) { tty::setStopBits(t, v); });
}

void DOreDorIror::applyFlowFlags() {
    const std::uint32_t flags = m_flowCtrl.FFlags();
    tty::updateTermios(m_fd, [flags](termios& t) { tty::setFlow(t, flags); });
    tty::applyModemLines(m_fd, flags);
}

void DOreDorIror::setRxBuffer(std::uint32_t v) {
    if (v == m_rxBuffer)
        return;
    m_rxBuffer = v;
    // Assignment sets the limits the other way round from the constructor; the
    // tty has fixed limits, so they are only kept.
    m_xoffLim = static_cast<std::int32_t>((v >> 2) * 3);
    m_xonLim = static_cast<std::int32_t>(v >> 1);
}

QByteArray DOreDorIror::LineEnd() const {
    std::lock_guard lk(m_lineEndLock);
    return m_lineEnd;
}

void DOreDorIror::setLineEnd(const QByteArray& v) {
    std::lock_guard lk(m_lineEndLock);
    m_lineEnd = v;
}

QByteArray DOreDorIror::lineEndForThread() const {
    return LineEnd();
}

bool DOreDorIror::bufferedMode() const {
    return m_lineMode.load() || m_rxThresholdUse.load() || m_rxTimeout.load() > 0;
}

void DOreDorIror::setLineMode(bool v) {
    if (v == m_lineMode.load())
        return;
    m_lineMode.store(v);
    if (m_active && !v && InputCount() > 0)
        postPortMessage(m_period, PortMessage::DataAvailable, 0);
    if (v) {
        m_rxThresholdUse.store(false);
        if (m_rxTimeout.load() > 0)
            m_rxTimeout.store(0);
    }
}

void DOreDorIror::setRxThresholdUse(bool v) {
    if (v == m_rxThresholdUse.load())
        return;
    m_rxThresholdUse.store(v);
    if (v) {
        m_lineMode.store(false);
        if (m_rxTimeout.load() > 0)
            m_rxTimeout.store(0);
    }
    if (m_active && !v && InputCount() > 0)
        postPortMessage(m_period, PortMessage::DataAvailable, 0);
}

void DOreDorIror::setRxTimeout(int v) {
    if (v < 0)
        throw EDurIveRada(QStringLiteral("Value can not be negatieve"));
    if (v == m_rxTimeout.load())
        return;
    m_rxTimeout.store(v);
    if (v == 0) {
        m_timer.reset();
        return;
    }
    m_lineMode.store(false);
    m_rxThresholdUse.store(false);
    if (!m_timer) {
        m_timer = std::make_unique<QTimer>();
        m_timer->setSingleShot(true);
        QObject::connect(m_timer.get(), &QTimer::timeout, this, [this] { RxTimerTick(); });
    }
    m_timer->setInterval(v);
    if (m_active && InputCount() > 0)
        m_timer->start();
    else
        m_timer->stop();
}

// ---- open and close ---------------------------------------------------------

void DOreDorIror::setActive(bool v) {
    if (v == m_active)
        return;
    if (v) {
        OpenPort();
        m_active = true;
    } else {
        if (m_closing) // a handler run by the closing itself
            return;
        ClosePort();
        m_active = false;
    }
}

QString DOreDorIror::DevicePath() const {
    return m_thread ? m_openPath : ComPortDevicePath(m_port);
}

void DOreDorIror::OpenPort() {
    const QString path = DevicePath();
    const int fd = tty::openExclusive(path);
    if (fd < 0)
        throw EDurIveRada(tty::openFailureMessage(path, errno));

    tty::setLowLatency(fd);
    const std::uint32_t flags = m_flowCtrl.FFlags();
    const int baud = m_baudrate.load();
    bool standardBaud = true;
    tty::updateTermios(fd, [&](termios& t) {
        tty::makeRaw(t);
        standardBaud = tty::setStandardBaudrate(t, baud);
        tty::setByteSize(t, m_byteSize);
        tty::setParity(t, m_parity);
        tty::setStopBits(t, m_stopBits);
        tty::setFlow(t, flags);
    });
    if (!standardBaud)
        tty::setCustomBaudrate(fd, baud);
    // Opening a tty raises DTR and RTS; the flag word decides what stays raised.
    tty::applyModemLines(fd, flags);
    // Each open period starts with an empty input: bytes the device held from
    // before (a unit that kept streaming while the port was closed) are stale.
    tcflush(fd, TCIFLUSH);

    try {
        m_thread = std::make_unique<TRurCommThread>(this, fd, m_period + 1, m_portOptions);
        ++m_period;
        m_fd = fd;
        m_openPath = path;
        m_thread->Start();
    } catch (const std::exception&) {
        m_thread.reset();
        m_fd = -1;
        tty::closeExclusive(fd);
        throw EDurIveRada(tty::openFailureMessage(path, 0));
    }
}

void DOreDorIror::ClosePort() {
    m_closing = true;
    auto reset = qScopeGuard([this] { m_closing = false; });

    // Buffered modes: the owner may take what the buffer still holds.
    if (!m_destroying && bufferedMode() && InputCount() > 0 && OnDataAvailable) {
        m_arrivalMs = m_thread->LastArrivalMs();
        OnDataAvailable(this); // outside the guard: its exceptions reach the caller
    }
    if (m_timer)
        m_timer->stop();

    m_thread->RequestStop();
    // Closed from inside a data-available handler: the thread waits for that
    // handler, so release it now instead of waiting for each other.
    if (m_servingId != 0)
        m_thread->CompleteSyncRequest(m_servingId, false);
    m_thread->WaitFor([this] { serveSyncDelivery(); });
    m_thread.reset();
    tty::closeExclusive(m_fd);
    m_fd = -1;
}

// ---- receive ----------------------------------------------------------------

std::uint32_t DOreDorIror::InputCount() const {
    return m_thread ? m_thread->InputCount() : 0;
}

int DOreDorIror::Read(char* buffer, int count) {
    if (!m_thread || count <= 0)
        return 0;
    return m_thread->Read(buffer, count);
}

void DOreDorIror::ReadString(QByteArray& s) {
    const int n = static_cast<int>(std::min<std::uint32_t>(InputCount(), INT_MAX));
    s.resize(n);
    const int got = Read(s.data(), n);
    // Never hand out bytes that were not read.
    s.resize(std::max(got, 0));
}

QByteArray DOreDorIror::ReadString() {
    QByteArray s;
    ReadString(s);
    return s;
}

void DOreDorIror::PurgeInput() {
    if (m_thread)
        m_thread->Purge();
}

std::uint64_t DOreDorIror::BytesReceived() const {
    return m_thread ? m_thread->BytesReceived() : 0;
}

bool DOreDorIror::EventThreadRunning() const {
    return m_thread && m_thread->Running();
}

// ---- send -------------------------------------------------------------------

int DOreDorIror::Write(const char* data, int count) {
    if (!m_active || !m_thread)
        throw EDurIveRada(QStringLiteral("Port not open"));
    if (count <= 0)
        return 0;
    bool lost = false;
    const int written = m_thread->Write(data, count, lost);
    if (lost)
        m_thread->ReportLinkLost();
    else if (OnDataSent.assigned())
        m_thread->WatchDrain();
    return written;
}

int DOreDorIror::WriteString(const QByteArray& s) {
    return Write(s.constData(), static_cast<int>(std::min<qsizetype>(s.size(), INT_MAX)));
}

void DOreDorIror::EnumComPorts(QStringList& list) {
    ::EnumComPorts(list);
}

// ---- notifications ----------------------------------------------------------

void DOreDorIror::postPortMessage(std::uint64_t period, PortMessage msg, std::uint32_t value) {
    QMetaObject::invokeMethod(
        this, [this, period, msg, value] { HandlePortMessage(period, msg, value); },
        Qt::QueuedConnection);
}

void DOreDorIror::postSyncServe(std::uint64_t period) {
    QMetaObject::invokeMethod(
        this,
        [this, period] {
            if (period == m_period)
                serveSyncDelivery();
        },
        Qt::QueuedConnection);
}

void DOreDorIror::serveSyncDelivery() {
    TRurCommThread* const thread = m_thread.get();
    std::uint64_t id = 0;
    std::int64_t arrival = 0;
    if (!thread || !thread->TakeSyncRequest(id, arrival))
        return;
    const std::uint64_t period = m_period;
    const std::uint64_t outer = m_servingId;
    m_servingId = id;
    // Whatever the handler does (throws, closes, reopens), the thread is answered.
    auto answer = qScopeGuard([&] {
        m_servingId = outer;
        if (m_thread.get() == thread && m_period == period)
            thread->CompleteSyncRequest(id, OnDataAvailable.assigned());
    });
    if (m_destroying)
        return; // the owner is going away: no handler runs any more
    m_arrivalMs = arrival;
    guarded([this] { OnDataAvailable(this); });
}

template <typename Call> void DOreDorIror::guarded(Call&& call) {
    try {
        call();
    } catch (const std::exception& e) {
        if (OnBGException) {
            try {
                OnBGException(this, e);
            } catch (...) {
            }
        }
    }
}

void DOreDorIror::deliverDataAvailable() {
    if (!m_thread)
        return;
    m_arrivalMs = m_thread->LastArrivalMs();
    guarded([this] { OnDataAvailable(this); });
}

void DOreDorIror::HandlePortMessage(std::uint64_t period, PortMessage msg, std::uint32_t value) {
    if (period != m_period || !m_thread || m_destroying)
        return; // from an open period that has ended
    switch (msg) {
    case PortMessage::DataAvailable:
        deliverDataAvailable();
        break;
    case PortMessage::DataSent:
        guarded([this] { OnDataSent(this); });
        break;
    case PortMessage::CtsChanged:
        guarded([this, value] { OnCtsChanged(this, (value & 0x0010) != 0); });
        break;
    case PortMessage::DsrChanged:
        guarded([this, value] { OnDsrChanged(this, (value & 0x0020) != 0); });
        break;
    case PortMessage::Error:
        guarded([this, value] { OnError(this, value); });
        break;
    case PortMessage::RestartTimer:
        RestartRxTimer();
        break;
    case PortMessage::LinkLost:
        guarded([this] { OnLinkLost(this); });
        break;
    }
}

void DOreDorIror::RestartRxTimer() {
    if (m_timer) {
        m_timer->stop();
        m_timer->start();
    }
}

void DOreDorIror::RxTimerTick() {
    m_timer->stop();
    if (m_active && InputCount() > 0)
        deliverDataAvailable();
}

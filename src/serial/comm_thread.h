#pragma once

#include "serial/comm_buffer.h"
#include "serial/serial_types.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class DOreDorIror;

// The event thread of one open period. It sleeps in poll() on the device, on an
// eventfd that is the stop event and on an eventfd that announces queued
// output; it takes received bytes into the buffer and announces them as the
// receive mode says. It ends when stopped or when the device is gone (reported
// once), never spinning.
class TRurCommThread {
public:
    // Throws std::system_error when the eventfds or the thread cannot be made.
    TRurCommThread(DOreDorIror* port, int fd, std::uint64_t period, TPortOptions options);
    ~TRurCommThread();
    TRurCommThread(const TRurCommThread&) = delete;
    TRurCommThread& operator=(const TRurCommThread&) = delete;

    void Start();
    // Signals the stop event; no synchronous delivery starts after this.
    void RequestStop();
    // Waits until the thread has ended, calling serve() whenever a synchronous
    // delivery waits meanwhile, so the two threads never wait for each other.
    void WaitFor(const std::function<void()>& serve);
    bool Running() const;

    // UI side of a synchronous delivery: take the waiting one, then complete it.
    bool TakeSyncRequest(std::uint64_t& id, std::int64_t& arrivalMs);
    void CompleteSyncRequest(std::uint64_t id, bool handlerAssigned);

    // Receive state, for the UI thread.
    std::uint32_t InputCount() const;
    int Read(char* dst, int count);
    void Purge();
    std::int64_t LastArrivalMs() const;
    std::uint64_t BytesReceived() const;

    // Writes what the device takes now and queues the rest for the thread.
    // lost: the device is gone. Throws EDurIveRada when the queue is full.
    int Write(const char* data, int count, bool& lost);
    // The owner wants OnDataSent once everything written has left the driver.
    void WatchDrain();
    // Posts OnLinkLost unless it was posted already in this period.
    void ReportLinkLost();

private:
    enum class Intake { Data, Nothing, EndOfFile, Error };
    enum class Delivery { Delivered, Nothing, Abandon };

    void Execute();
    Intake takeInput();
    void announceDirect();
    void announceLines(const QByteArray& end);
    void announceThreshold();
    // Sets the count (prepare, under the lock) and waits until the UI thread's
    // handler has returned. Abandon: stopping, or the handler was removed.
    Delivery deliverSync(const std::function<bool()>& prepare);
    bool flushTx();
    int drainCheckMs();
    void checkLines();
    bool stopRequested() const;
    void kick();

    DOreDorIror* const m_port;
    const int m_fd; // owned by the component, valid until joined
    const std::uint64_t m_period;
    const TPortOptions m_options;
    int m_stopFd = -1; // eventfd: the stop event
    int m_kickFd = -1; // eventfd: output queued or drain wanted
    std::thread m_thread;

    // Event thread only.
    int m_modemStatus = 0; // last TIOCMGET bits
    bool m_modemOk = false;
    bool m_countsOk = false;
    std::uint64_t m_errorCounts[5] = {};
    int m_idleWakes = 0;

    // Everything below is shared and guarded by m_lock.
    mutable std::mutex m_lock;
    std::condition_variable m_cv; // sync requests, their completion, the end of the thread
    TRurCommBuffer FBuffer;
    std::uint32_t FInputCount = 0; // announced to the owner and not yet read
    std::uint32_t FPending = 0;    // in the driver's queue, not yet taken
    std::int64_t m_lastArrivalMs = 0;
    std::uint64_t m_bytesReceived = 0;
    bool m_stopRequested = false;
    bool m_finished = false;
    std::uint64_t m_syncSeq = 0;
    std::uint64_t m_syncPending = 0; // id of the delivery waiting for the UI, 0 if none
    bool m_syncTaken = false;        // its handler is running on the UI thread
    std::uint64_t m_syncDone = 0;
    bool m_syncHandlerAssigned = true;
    std::int64_t m_syncArrivalMs = 0;
    QByteArray m_txQueue; // bytes the kernel did not take yet, in order
    bool m_drainWatch = false;

    std::atomic<bool> m_lostReported{false};
};

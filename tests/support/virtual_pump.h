#pragma once

#include "link/seams.h"

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

// An EventPump on a virtual clock. pause(ms) moves the clock forward at once,
// running every event scheduled up to then; an event that calls wake() (the link
// engine's data handler does) ends the running pause at that moment, as the
// production pump does when bytes arrive. processPending() runs the events due now.
// A 1.8 s time-out therefore costs microseconds and is measured exactly.
class VirtualPump : public EventPump {
public:
    // Thrown when the code under test keeps pausing without time moving, or runs
    // past the time limit: a hang in a test becomes a failure.
    struct Runaway : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    explicit VirtualPump(std::int64_t startMs = 1'000'000,
                         QDateTime wallStart = QDateTime(QDate(2024, 5, 17), QTime(10, 0, 0)));

    void processPending() override;
    void pause(int ms) override;
    void wake() override;
    std::int64_t nowMs() override { return m_now; }
    QDateTime wallClock() override { return m_wallStart.addMSecs(m_now - m_wallBase); }

    // Schedules fn at absolute virtual time t (or now + dt); events at the same time
    // run in the order they were scheduled.
    void at(std::int64_t t, std::function<void()> fn);
    void after(std::int64_t dt, std::function<void()> fn) { at(m_now + dt, std::move(fn)); }
    // Runs the clock (and the events) up to t without any code under test waiting.
    void runUntil(std::int64_t t);

    std::int64_t startMs() const { return m_start; }
    std::int64_t elapsedMs() const { return m_now - m_start; }
    int pauseCount() const { return m_pauses; }
    int wakeCount() const { return m_wakes; }
    bool hasPending() const { return !m_events.empty(); }
    // Sets the wall clock to t at the current virtual time (it runs on from there).
    void setWallClock(const QDateTime& t) {
        m_wallStart = t;
        m_wallBase = m_now;
    }
    // Virtual time after which the pump throws Runaway (default: start + 2 days).
    void setTimeLimit(std::int64_t ms) { m_limit = ms; }

private:
    bool runNextDue(std::int64_t upTo);

    std::int64_t m_start;
    std::int64_t m_now;
    QDateTime m_wallStart;
    std::int64_t m_wallBase; // virtual time at which the wall clock read m_wallStart
    std::int64_t m_limit;
    std::multimap<std::int64_t, std::function<void()>> m_events;
    std::vector<bool*> m_pausesRunning; // innermost last
    bool m_wakePending = false;
    int m_pauses = 0;
    int m_wakes = 0;
    int m_idleSpins = 0;
};

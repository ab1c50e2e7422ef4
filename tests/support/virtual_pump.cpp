#include "support/virtual_pump.h"

#include <algorithm>

VirtualPump::VirtualPump(std::int64_t startMs, QDateTime wallStart)
    : m_start(startMs), m_now(startMs), m_wallStart(std::move(wallStart)), m_wallBase(startMs),
      m_limit(startMs + 2LL * 24 * 3600 * 1000) {}

void VirtualPump::at(std::int64_t t, std::function<void()> fn) {
    m_events.emplace(std::max(t, m_now), std::move(fn));
}

bool VirtualPump::runNextDue(std::int64_t upTo) {
    auto it = m_events.begin();
    if (it == m_events.end() || it->first > upTo)
        return false;
    m_now = std::max(m_now, it->first);
    auto fn = std::move(it->second);
    m_events.erase(it);
    fn();
    return true;
}

void VirtualPump::processPending() {
    while (runNextDue(m_now)) {
    }
    // Handling events over and over without time moving is how a busy loop looks.
    if (++m_idleSpins > 1'000'000)
        throw Runaway("processPending called a million times without the clock moving");
}

void VirtualPump::pause(int ms) {
    ++m_pauses;
    if (m_wakePending) {
        m_wakePending = false;
        if (++m_idleSpins > 1'000'000)
            throw Runaway("pauses end at once a million times without the clock moving");
        return;
    }
    const std::int64_t target = m_now + std::max(ms, 0);
    if (target > m_limit)
        throw Runaway("virtual time limit passed");
    bool woken = false;
    m_pausesRunning.push_back(&woken);
    const std::int64_t before = m_now;
    while (!woken && runNextDue(target)) {
    }
    if (!woken)
        m_now = std::max(m_now, target);
    m_pausesRunning.pop_back();
    if (m_now > before)
        m_idleSpins = 0;
    else if (++m_idleSpins > 1'000'000)
        throw Runaway("a million pauses without the clock moving");
}

void VirtualPump::wake() {
    ++m_wakes;
    if (m_pausesRunning.empty())
        m_wakePending = true;
    else
        *m_pausesRunning.back() = true;
}

void VirtualPump::runUntil(std::int64_t t) {
    while (runNextDue(t)) {
    }
    m_now = std::max(m_now, t);
    m_idleSpins = 0;
}

#pragma once

#include "link/seams.h"

#include <vector>

class QEventLoop;

// The production pump: Qt's event loop and the steady clock. A pause is a nested
// event loop that a timer ends, or wake() as soon as the data handler has taken
// new bytes.
class QtEventPump : public EventPump {
public:
    void processPending() override;
    void pause(int ms) override;
    void wake() override;
    std::int64_t nowMs() override;
    QDateTime wallClock() override;

    // The clock the serial component stamps arrivals with.
    static std::int64_t steadyMs();

private:
    std::vector<QEventLoop*> m_loops; // running pauses, innermost last
    bool m_wakePending = false;
};

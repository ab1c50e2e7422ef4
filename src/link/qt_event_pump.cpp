#include "link/qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>

std::int64_t QtEventPump::steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void QtEventPump::processPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::pause(int ms) {
    if (m_wakePending) {
        // Bytes arrived since the last pause (delivered while events were handled
        // outside one): do not sleep on them.
        m_wakePending = false;
        return;
    }
    if (ms <= 0) {
        processPending();
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    m_loops.push_back(&loop);
    loop.exec();
    m_loops.pop_back();
}

void QtEventPump::wake() {
    if (m_loops.empty())
        m_wakePending = true;
    else
        m_loops.back()->quit();
}

std::int64_t QtEventPump::nowMs() {
    return steadyMs();
}

QDateTime QtEventPump::wallClock() {
    return QDateTime::currentDateTime();
}

#include "link/link_engine.h"

#include "protocol/formatters.h"

#include <algorithm>

LinkEngine::LinkEngine(const Seams& seams) : m_s(seams) {
    for (int m = ModuleEcu; m <= ModuleAircon; ++m) {
        ModuleState[m].ShortName = Module(m).ShortName;
        ModuleState[m].LongName = Module(m).LongName;
    }
    // The log's collection switch follows the menu entry "Collect debug info".
    m_s.log->setCollecting(m_s.menu->isOn(MenuState::Collect_debug));
    QObject::connect(m_s.menu, &MenuState::changed, m_s.log,
                     [log = m_s.log](MenuState::Item item, bool on) {
                         if (item == MenuState::Collect_debug)
                             log->setCollecting(on);
                     });
}

LinkEngine::~LinkEngine() = default;

void LinkEngine::setView(LinkView* view) {
    m_s.view = view;
}
void LinkEngine::setConverters(Converters* converters) {
    m_s.converters = converters;
}
void LinkEngine::setIndicators(IndicatorHooks* hooks) {
    m_s.indicators = hooks;
}
void LinkEngine::setOscillo(OscilloHooks* hooks) {
    m_s.oscillo = hooks;
}
void LinkEngine::setFaults(FaultReader* reader) {
    m_s.faults = reader;
}

QString LinkEngine::timeText() const {
    return m_s.pump->wallClock().toString(QStringLiteral("HH:mm:ss"));
}

QString LinkEngine::flagText() const {
    return RxFlag ? QStringLiteral("True") : QStringLiteral("False");
}

// ---- receive path

void LinkEngine::DurIveRadaDataAvailable() {
    const ByteString chunk = port().readString();
    const std::int64_t ms = port().arrivalMs();
    // Only the new chunk is searched for the expected reply, never RxData.
    const ByteString expected = port().lineEnd();
    if (RxArmed == 1 && !expected.isEmpty() && chunk.contains(expected))
        RxFlag = 1;

    if (!chunk.isEmpty()) {
        // Forget the stamps of bytes that are no longer in RxData.
        const std::int64_t base = rxBase();
        while (!m_chunks.empty() && m_chunks.front().end <= base)
            m_chunks.pop_front();
        RxData.append(chunk);
        m_rxReceived += chunk.size();
        m_chunks.push_back({m_rxReceived, ms});
        // A unit that streams while no exchange consumes its bytes (a stop that was
        // not obeyed, line noise) must not fill the memory: keep the newest bytes.
        if (RxData.size() > RxLimit)
            RxData.remove(0, RxData.size() - RxLimit);
    }
    pump().wake();
}

void LinkEngine::DurIveRadaLinkLost() {
    if (m_portLost)
        return;
    m_portLost = true;
    // The device is gone: close it so that the next start-up opens it afresh.
    try {
        port().setActive(false);
    } catch (...) {
        // Closing a hung-up device can only fail in ways we cannot act on.
    }
    pump().wake();
}

std::int64_t LinkEngine::rxArrivalMs(qsizetype index) const {
    if (index < 0 || index >= RxData.size())
        return m_s.pump->nowMs();
    const std::int64_t abs = rxBase() + index;
    // The first chunk that ends after the byte holds it.
    auto it = std::upper_bound(m_chunks.begin(), m_chunks.end(), abs,
                               [](std::int64_t a, const Chunk& c) { return a < c.end; });
    if (it == m_chunks.end())
        return m_s.pump->nowMs();
    return it->ms;
}

void LinkEngine::dropRxThrough(std::int64_t absEnd) {
    const std::int64_t n = std::clamp<std::int64_t>(absEnd - rxBase(), 0, RxData.size());
    RxData.remove(0, qsizetype(n));
}

// ---- waiting

void LinkEngine::send(const ByteString& bytes) {
    // A pulled cable: the unit counts as silent, nothing can be sent.
    if (m_portLost)
        return;
    port().writeBytes(bytes);
}

void LinkEngine::fixedPause(int ms) {
    const std::int64_t end = pump().nowMs() + ms;
    for (std::int64_t now = pump().nowMs(); now < end && !m_portLost; now = pump().nowMs())
        pump().pause(int(end - now));
}

// One look: handle the pending events, then pause for the poll interval or until
// bytes arrive, never past the wait's deadline.
void LinkEngine::lookPause(int pollMs, std::int64_t deadline) {
    pump().processPending();
    const std::int64_t rest = deadline - pump().nowMs();
    if (rest > 0 && !m_portLost)
        pump().pause(int(std::min<std::int64_t>(pollMs, rest)));
}

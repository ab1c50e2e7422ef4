#pragma once

#include "link/menu_state.h"
#include "link/seams.h"
#include "protocol/bytes.h"
#include "protocol/coloured_lines.h"
#include "protocol/commands.h"
#include "protocol/packet.h"

#include <QString>

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

// What the link engine is doing. The numbers are compared across the program.
enum TLinkState : std::uint8_t {
    ssScanning = 0,
    ssStreaming = 2,
    ssStopping = 3,
    ssIdle = 4,
    ssBusy = 6,
    ssLinkLost = 8,
};

struct TModuleState {
    QString ShortName;
    QString LongName;
    std::uint8_t Present = 0;
    int ClientHeight = 0;
};

// The link engine: the receive path and the exchanges, start-up and detection,
// the stream request and the streaming loop, the active-test probe. It runs on
// the UI thread and waits only through the event pump. The main window publishes
// its operations as its own methods.
//
//     QtEventPump pump;                       // or VirtualPump in tests
//     SerialLinkPort port(DurIveRada);        // or FakeLinkPort
//     LinkEngine engine({&pump, &port, &prompts, &log, &menu, &view});
//     port.bind(engine);                      // data handler and hang-up
//     engine.setConverters(...); engine.setIndicators(...); engine.setOscillo(...);
//     engine.setFaults(...);
//     engine.Initial();
//
// Waiting: a look ends when its poll interval has passed or bytes arrive; every
// wait ends at its deadline in time (tries x poll interval, 5 s without a frame
// for the stream), however many looks it took. A pulled cable (DurIveRadaLinkLost)
// makes every wait end at once as if the unit were silent, until Initial opens
// the port again. The log's collection switch follows MenuState::Collect_debug.
class LinkEngine {
public:
    struct Seams {
        EventPump* pump = nullptr;  // required
        LinkPort* port = nullptr;   // required
        Prompts* prompts = nullptr; // required
        DebugLog* log = nullptr;    // required
        MenuState* menu = nullptr;  // required
        LinkView* view = nullptr;   // optional hooks below
        Converters* converters = nullptr;
        IndicatorHooks* indicators = nullptr;
        OscilloHooks* oscillo = nullptr;
        FaultReader* faults = nullptr;
    };

    explicit LinkEngine(const Seams& seams);
    ~LinkEngine();
    LinkEngine(const LinkEngine&) = delete;
    LinkEngine& operator=(const LinkEngine&) = delete;

    // Collaborators that are created after the engine (windows, converters).
    void setView(LinkView* view);
    void setConverters(Converters* converters);
    void setIndicators(IndicatorHooks* hooks);
    void setOscillo(OscilloHooks* hooks);
    void setFaults(FaultReader* reader);

    // ---- receive path and exchanges
    void DurIveRadaDataAvailable();
    // The port reported hang-up or an I/O error: the unit counts as silent at once.
    void DurIveRadaLinkLost();
    bool WaitForMngRespond(int command, bool showMessage);
    std::uint8_t WaitForParamRespond(int row);
    bool CUStopRequest();
    std::uint8_t WaitForMngRespondS(std::uint8_t code);
    std::uint8_t WaitForParamRespondS(std::uint8_t reg);

    // ---- start-up and detection
    void Initial();
    bool Set_Module(int module);
    bool Diagnostics();

    // ---- streaming
    void Set_Packets();
    void StartClick();
    void StartDiag();
    void StopDiag();
    bool WaitForAnswerRespond();

    // ---- active-test probe
    void Diagnostics_ECUActive();

    // ---- shared state (the program's globals)
    ByteString RxData;
    std::uint8_t RxArmed = 0;
    std::uint8_t RxFlag = 0;
    int PosR = 0; // 1-based position in RxData, 0: not found

    TLinkState LinkState = ssScanning;
    std::array<TModuleState, ModuleSlots> ModuleState{};
    int CurrentModule = ModuleEcu;
    int FirstRegister = 1;
    int LastRegister = 48;

    std::array<TMopa_Packet, ModuleSlots> ModulePackets{};
    std::array<std::uint8_t, ModuleSlots> CalcLength{};
    // Monotonic ms (EventPump::nowMs) at which the module's current stream began;
    // 0 means "not set" (start-up, clear).
    std::array<std::int64_t, ModuleSlots> StreamStart{};
    std::array<std::int64_t, ModuleSlots> TimeOffset{};
    TMopa_Packet ActivePacket;
    std::int64_t OscTime = 0;
    // The stream loop scrolls the streaming module's time axis by 60000 ms whenever
    // OscTime passes this mark, which then grows by 60000. A clear of the oscillogram
    // during a stream restarts its time line and puts the mark back to 60000.
    std::int64_t NextScrollMark = 60000;
    std::uint8_t OverMaxSeen = 0;

    // Seams, for the collaborators that share the engine's state.
    EventPump& pump() const { return *m_s.pump; }
    LinkPort& port() const { return *m_s.port; }
    Prompts& prompts() const { return *m_s.prompts; }
    DebugLog& log() const { return *m_s.log; }
    MenuState& menu() const { return *m_s.menu; }
    bool collecting() const { return m_s.log->collecting(); }

    // ---- helpers for the collaborators that wait on the link themselves
    // RxData keeps at most this many bytes; older ones are dropped with their stamps.
    static constexpr qsizetype RxLimit = 64 * 1024;
    // Monotonic ms at which the byte RxData[index] (0-based) arrived; nowMs() for a
    // byte the data handler did not append.
    std::int64_t rxArrivalMs(qsizetype index) const;
    // A pause of exactly ms that keeps handling events (arrivals do not shorten it);
    // ends at once when the port was lost.
    void fixedPause(int ms);
    // The port hung up (cable pulled); cleared when start-up opens the port again.
    bool portLost() const { return m_portLost; }
    // The time of day for log lines ("HH:mm:ss").
    QString timeText() const;

private:
    LinkView& view() const { return m_s.view ? *m_s.view : m_noView; }
    IndicatorHooks& indicators() const { return m_s.indicators ? *m_s.indicators : m_noIndicators; }
    OscilloHooks& oscillo() const { return m_s.oscillo ? *m_s.oscillo : m_noOscillo; }
    void send(const ByteString& bytes);
    void lookPause(int pollMs, std::int64_t deadline);
    QString flagText() const;
    // The wait for a unit's echo of a register or test byte, armed and sent by the
    // caller: looks for the echo (RxFlag) and for an error reply in RxData, with the
    // per-look and outcome debug lines the two probes share.
    struct EchoOutcome {
        bool echoed = false;
        bool refused = false;
    };
    EchoOutcome waitForEcho(const TMopaProtMng& timing, const QString& name,
                            const QString& refusedSuffix);
    // "did not respond" for an exchange that went unanswered: the red debug line and,
    // when asked, the warning.
    void reportSilent(const QString& name, bool showMessage);
    // Arming and looking of the scan's two exchanges.
    void armForRefusal();
    void waitScanLooks();
    qsizetype rxBase() const { return qsizetype(m_rxReceived - RxData.size()); }
    void dropRxThrough(std::int64_t absEnd);
    void convertFrame(int module, const ByteString& frame, const std::vector<int>& rows, int& pos);
    void finalPass(int module);

    Seams m_s;
    mutable LinkView m_noView;
    mutable IndicatorHooks m_noIndicators;
    mutable OscilloHooks m_noOscillo;

    // Receive bookkeeping. RxData is always the tail of everything received (others
    // only empty it or cut its front), so a byte is named by its index in that
    // whole stream: RxData[i] is byte rxBase() + i.
    struct Chunk {
        std::int64_t end; // index after the chunk's last byte in the whole stream
        std::int64_t ms;  // arrival
    };
    std::int64_t m_rxReceived = 0;
    std::deque<Chunk> m_chunks;
    bool m_portLost = false;
};

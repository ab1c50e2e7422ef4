// The command exchanges. Each sends once and waits for its reply by looking at
// RxFlag / RxData between pauses. A look ends when its poll interval has passed or
// when bytes arrive, whichever comes first, so a reply is seen as soon as it is
// delivered; the wait as a whole keeps its length in time (tries x poll interval)
// and ends at that deadline however many looks it took. The per-look debug lines
// are written once per look.
#include "link/link_engine.h"

#include "protocol/formatters.h"
#include "protocol/registers.h"

namespace {

ByteString oneByte(unsigned char b) {
    return ByteString(1, char(b));
}

QString notRespondingLine(const QString& name) {
    return QStringLiteral("ECU did not respond for: ") + name +
           QStringLiteral(". Communication closed.");
}

QString notRespondingMessage(const QString& name) {
    return QStringLiteral("ECU did not respond for ") + name + QStringLiteral(".") + QChar(0x0D) +
           QStringLiteral("Communication closed.");
}

// The poll interval of "Init", which is also the pause around wake-up and selection.
int wakePause() {
    return Command(cmdInit).pollInterval;
}

std::int64_t waitLength(const TMopaProtMng& row) {
    // The look counter is an unsigned byte: only the low byte of tries counts.
    return std::int64_t(row.tries & 0xFF) * row.pollInterval;
}

} // namespace

bool LinkEngine::WaitForMngRespond(int command, bool showMessage) {
    const TMopaProtMng& row = Command(command);
    bool result = false;

    if (collecting()) {
        log().add(ColouredLines::Navy, QStringLiteral("Managed protocol"));
        log().add(QStringLiteral("Tx :") + BytesToHex(row.request) + QStringLiteral(" -> ") +
                  row.name);
    }
    RxData.clear();
    RxFlag = 0;
    RxArmed = 1;
    port().setLineEnd(row.reply);

    const ByteString wake = oneByte(proto::Wake);
    if (command == cmdInit) {
        send(wake);
        fixedPause(wakePause());
        send(wake);
        fixedPause(wakePause());
        RxFlag = 1; // "Init" awaits no answer
    } else if (command >= cmdEcuSelect && command <= cmdAirconSelect) {
        send(wake);
        fixedPause(wakePause());
        send(wake);
        fixedPause(wakePause());
        send(row.request);
        fixedPause(wakePause());
    } else {
        send(row.request);
    }

    if (collecting())
        log().add(QStringLiteral("--MNG Start waiting RxFlag! ->"));

    const std::int64_t deadline = pump().nowMs() + waitLength(row);
    while (RxFlag == 0 && !m_portLost && pump().nowMs() < deadline) {
        lookPause(row.pollInterval, deadline);
        if (collecting()) {
            log().add(ColouredLines::Navy,
                      QStringLiteral("--MNG Waiting for RxFlag Event... Timeout! ->") + timeText());
            log().add(QStringLiteral("--Buff! ->") + BytesToHex(RxData));
            log().add(QStringLiteral("--Flag! ->") + flagText());
        }
    }

    if (RxFlag == 1) {
        if (collecting()) {
            log().add(ColouredLines::Red, QStringLiteral("--MNG We get RxFlag! ->") + timeText());
            log().add(QStringLiteral("--Buff! ->") + BytesToHex(RxData));
            log().add(QStringLiteral("--Flag! ->") + flagText());
        }
        RxFlag = 0;
        result = true;
    } else {
        LinkState = ssLinkLost;
        reportSilent(row.name, showMessage);
    }
    return result;
}

std::uint8_t LinkEngine::WaitForParamRespond(int row) {
    const TMopaProtocol& reg = RegisterTable[row];

    if (collecting()) {
        log().add(ColouredLines::Green, QStringLiteral("Parametr protocol"));
        log().add(QStringLiteral("Tx :") + BytesToHex(oneByte(reg.Addr)) + QStringLiteral(" - ") +
                  reg.Name);
    }
    RxData.clear();
    RxFlag = 0;
    RxArmed = 1;
    port().setLineEnd(oneByte(reg.Addr)); // a supporting unit echoes the address
    send(oneByte(reg.Addr));

    const EchoOutcome echo = waitForEcho(Command(cmdReqPreff), reg.Name, QString());
    if (!echo.echoed && !echo.refused) {
        LinkState = ssLinkLost;
        reportSilent(reg.Name, true);
        return 255;
    }
    // An error reply wins even when the echo came in the same look.
    return echo.refused ? 0 : 1;
}

LinkEngine::EchoOutcome LinkEngine::waitForEcho(const TMopaProtMng& timing, const QString& name,
                                                const QString& refusedSuffix) {
    EchoOutcome outcome;
    const std::int64_t deadline = pump().nowMs() + waitLength(timing);
    while (RxFlag == 0 && !m_portLost && pump().nowMs() < deadline) {
        lookPause(timing.pollInterval, deadline);
        if (collecting()) {
            log().add(ColouredLines::Green,
                      QStringLiteral("PAR Waiting for RxFlag Event... Timeout!"));
            log().add(QStringLiteral("Buff! ->") + BytesToHex(RxData));
            log().add(QStringLiteral("Flag! ->") + flagText());
        }
        const qsizetype at = RxData.indexOf(char(proto::ErrorReply));
        if (at >= 0) {
            PosR = int(at) + 1;
            if (collecting()) {
                log().add(ColouredLines::Red, QStringLiteral("Error! -> ") + name + refusedSuffix);
                log().add(QStringLiteral("Buff Len:") + FormatCount(double(RxData.size())) +
                          QStringLiteral("PosR:") + FormatCount(PosR) + QStringLiteral(" ->") +
                          BytesToHex(RxData));
            }
            outcome.refused = true;
            break;
        }
    }

    if (RxFlag == 1) {
        RxFlag = 0;
        outcome.echoed = true;
        if (collecting()) {
            log().add(ColouredLines::Red, QStringLiteral("PAR We get RxFlag! ->") + timeText());
            log().add(QStringLiteral("Buff! ->") + BytesToHex(RxData));
            log().add(QStringLiteral("Flag! ->") + flagText());
            log().add(QStringLiteral("Parementr ") + name + QStringLiteral(" is ACTIVE"));
        }
    }
    return outcome;
}

void LinkEngine::reportSilent(const QString& name, bool showMessage) {
    if (collecting())
        log().add(ColouredLines::Red, notRespondingLine(name));
    if (showMessage)
        prompts().warning(notRespondingMessage(name));
}

bool LinkEngine::CUStopRequest() {
    bool result = true;
    if (port().isActive() && !m_portLost && LinkState != ssIdle && LinkState != ssLinkLost) {
        if (!WaitForMngRespond(cmdExitDiag, true)) {
            result = false;
            LinkState = ssLinkLost;
        }
    }
    if (collecting())
        log().add(QStringLiteral("CUStopRequest..."));
    return result;
}

// The scan's exchanges classify whatever the unit sends back within a look, so
// their looks keep the full poll interval: ending a look at the first byte would
// judge a reply of several bytes by its first chunk.
// The scan's byte is answered, refused (RxFlag: 0xFE seen) or met with silence.
void LinkEngine::armForRefusal() {
    RxData.clear();
    RxFlag = 0;
    RxArmed = 1;
    port().setLineEnd(oneByte(proto::ErrorReply));
}

// Up to three looks of 100 ms, over as soon as anything arrived.
void LinkEngine::waitScanLooks() {
    for (int look = 1; RxFlag == 0 && RxData.isEmpty() && look <= 3 && !m_portLost; ++look) {
        pump().processPending();
        fixedPause(100);
    }
}

std::uint8_t LinkEngine::WaitForMngRespondS(std::uint8_t code) {
    std::uint8_t result = 0;
    armForRefusal();
    send(oneByte(code));
    fixedPause(wakePause());

    waitScanLooks();

    if (RxFlag == 1) {
        RxFlag = 0;
        result = 0;
    } else if (!RxData.isEmpty() && RxData != ByteString(2, '\0')) {
        if (code != proto::ExitDiag && code != proto::ReqPreff) {
            log().add(ColouredLines::Blue,
                      QStringLiteral("Tx (select level) -> ") + BytesToHex(oneByte(code)));
            log().add(ColouredLines::Red,
                      QStringLiteral("Rx <- ") + BytesToHex(RxData) + QStringLiteral(" - Active"));
        }
        result = 1;
    } else {
        result = 2;
    }
    return result;
}

std::uint8_t LinkEngine::WaitForParamRespondS(std::uint8_t reg) {
    std::uint8_t result = 0;
    armForRefusal();
    send(oneByte(reg));

    waitScanLooks();

    if (RxFlag == 1) {
        RxFlag = 0;
        result = 0;
    } else if (!RxData.isEmpty()) {
        log().add(ColouredLines::Red, QStringLiteral("Rx parametr: ") + BytesToHex(RxData));
        fixedPause(wakePause());
        send(oneByte(proto::EndReq)); // the unit starts streaming this register
        RxFlag = 0;
        port().setLineEnd(oneByte(proto::FrameStart));
        RxData.clear();
        for (int look = 1; RxFlag == 0 && RxData.isEmpty() && look <= 30 && !m_portLost; ++look) {
            pump().processPending();
            fixedPause(100);
            if (LinkState == ssIdle) // the user aborted the scan
                break;
        }
        fixedPause(100);
        pump().processPending();
        log().add(QStringLiteral("Current value: ") + BytesToHex(RxData));
        result = 1;
    }
    return result;
}

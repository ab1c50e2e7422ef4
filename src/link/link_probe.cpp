// Which active tests the engine unit accepts: 0x0A, then the test's code and a
// value byte; the unit echoes the code or refuses with 0xFE.
#include "link/link_engine.h"

#include "protocol/active_tests.h"
#include "protocol/formatters.h"

void LinkEngine::Diagnostics_ECUActive() {
    view().setDetectModule(QStringLiteral("Engine Active Tests"));
    view().setDetectRange(1, ActiveCount);
    menu().set(MenuState::ActiveTestsEnabled, true);

    const TMopaProtMng& timing = Command(cmdActivePreff);
    for (int t = 1; t <= ActiveCount; ++t) {
        view().setDetectPosition(t);
        if (!WaitForMngRespond(cmdActivePreff, true))
            break;

        TMopaActive& test = ActiveTable[t];
        RxData.clear();
        RxFlag = 0;
        RxArmed = 1;
        port().setLineEnd(test.Code);
        // "SELF LEARN control" is probed switched on, every other test off.
        const char value = t == 14 ? char(0x01) : char(0x00);
        send(test.Code + ByteString(1, value));
        if (collecting()) {
            log().add(ColouredLines::Green, QStringLiteral("Active parametr protocol"));
            log().add(QStringLiteral("Tx :") + BytesToHex(test.Code) + QStringLiteral(" - ") +
                      test.Name);
        }

        bool refused = false;
        const std::int64_t deadline =
            pump().nowMs() + std::int64_t(timing.tries & 0xFF) * timing.pollInterval;
        while (RxFlag == 0 && !m_portLost && pump().nowMs() < deadline) {
            lookPause(timing.pollInterval, deadline);
            if (collecting()) {
                log().add(ColouredLines::Green,
                          QStringLiteral("PAR Waiting for RxFlag Event... Timeout!"));
                log().add(QStringLiteral("Buff! ->") + BytesToHex(RxData));
                log().add(QStringLiteral("Flag! ->") + flagText());
            }
            const qsizetype at = RxData.indexOf(char(0xFE));
            if (at >= 0) {
                PosR = int(at) + 1;
                test.Available = 0;
                if (collecting()) {
                    log().add(ColouredLines::Red, QStringLiteral("Error! -> ") + test.Name +
                                                      QStringLiteral(" is inactive."));
                    log().add(QStringLiteral("Buff Len:") + FormatCount(double(RxData.size())) +
                              QStringLiteral("PosR:") + FormatCount(PosR) + QStringLiteral(" ->") +
                              BytesToHex(RxData));
                }
                refused = true;
                break;
            }
        }

        if (RxFlag == 0 && !refused) {
            // No echo: the probe ends here, without a stop request.
            if (collecting())
                log().add(ColouredLines::Red, QStringLiteral("ECU did not respond for: ") +
                                                  test.Name +
                                                  QStringLiteral(". Communication closed."));
            prompts().warning(QStringLiteral("ECU did not respond for ") + test.Name +
                              QStringLiteral(".") + QChar(0x0D) +
                              QStringLiteral("Communication closed."));
            return;
        }
        if (RxFlag == 1) {
            RxFlag = 0;
            test.Available = 1;
            if (collecting()) {
                log().add(ColouredLines::Red, QStringLiteral("PAR We get RxFlag! ->") + timeText());
                log().add(QStringLiteral("Buff! ->") + BytesToHex(RxData));
                log().add(QStringLiteral("Flag! ->") + flagText());
                log().add(QStringLiteral("Parementr ") + test.Name + QStringLiteral(" is ACTIVE"));
            }
        }
    }
    CUStopRequest();
}

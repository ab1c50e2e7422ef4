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

        const EchoOutcome echo = waitForEcho(timing, test.Name, QStringLiteral(" is inactive."));
        if (echo.refused)
            test.Available = 0;
        if (echo.echoed)
            test.Available = 1; // an echo in the same look as an error reply still counts
        if (!echo.echoed && !echo.refused) {
            // No echo: the probe ends here, without a stop request.
            reportSilent(test.Name, true);
            return;
        }
    }
    CUStopRequest();
}

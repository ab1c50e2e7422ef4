#include "diagnosis/fault_reader.h"

#include "diagnosis/fault_decoder.h"
#include "link/link_engine.h"
#include "protocol/commands.h"
#include "protocol/formatters.h"

#include <QScopedValueRollback>

#include <exception>

namespace {

// Polling is paced by the "SELF DIAGNOSTIC" row for every request: 30 ms, and
// 30 tries after the first look.
constexpr int ReplyPause = 100;

const QString PortNotResponding =
    QStringLiteral("Com-port is not responding. Set correct port and make Reconnect.");

ByteString oneByte(unsigned char b) {
    return ByteString(1, char(b));
}

// The command row of a request mode; 0 for a mode that sends no request.
int commandOf(int mode) {
    switch (mode) {
    case 1:
        return cmdSelfDiagnostic;
    case 2:
        return cmdClearErrors;
    case 3:
        return cmdGetEcuNumber;
    default:
        return 0;
    }
}

// Leaves the engine idle however the reading ends, exceptions included.
struct IdleOnExit {
    LinkEngine& engine;
    ~IdleOnExit() { engine.LinkState = ssIdle; }
};

} // namespace

FaultCodeReader::FaultCodeReader(LinkEngine& engine, ColouredLines& report, QString path)
    : m_engine(engine), m_report(report), m_path(std::move(path)) {}

void FaultCodeReader::send(unsigned char byte) {
    // A pulled cable: the unit counts as silent, nothing can be sent.
    if (!m_engine.portLost())
        m_engine.port().writeBytes(oneByte(byte));
}

void FaultCodeReader::CUGetError(int mode) {
    // A reading started from inside the waits of another one (a menu click) would
    // empty the buffer under it; the running reading is finished first.
    if (m_running)
        return;
    const QScopedValueRollback running(m_running, true);
    LinkEngine& e = m_engine;
    DebugLog& log = e.log();
    const IdleOnExit idle{e};

    e.LinkState = ssBusy;
    if (m_show)
        m_show();
    e.RxData.clear();
    e.RxFlag = 0;
    e.RxArmed = 0;

    m_report.add(ColouredLines::Navy,
                 e.ModuleState[e.CurrentModule].ShortName +
                     e.pump().wallClock().toString(QString::fromLatin1(StampFormat)));
    m_report.setColour(ColouredLines::Navy);

    const bool portUsable = e.port().isActive() && !e.portLost();
    bool polled = false;
    bool done = false;
    int tries = 0;
    QString failure; // an error that ended the exchange early
    if (!portUsable) {
        failure = PortNotResponding;
    } else {
        try {
            const int command = commandOf(mode);
            if (command != 0) {
                const TMopaProtMng& row = Command(command);
                e.port().setLineEnd(row.reply);
                send(byteAt(row.request, 0));
                if (mode == 1)
                    m_report.add(QStringLiteral("Get self-diagnoctic data..."));
                else if (mode == 2)
                    m_report.add(QStringLiteral("Clear self-diagnoctic data..."));
            }
            if (e.collecting())
                log.add(ColouredLines::Navy, QStringLiteral("Sent self-diagnostic code"));
            e.fixedPause(ReplyPause);

            // "End Req" starts the unit's transmission of its frame.
            e.RxData.clear();
            e.port().setLineEnd(Command(cmdEndReq).reply);
            send(proto::EndReq);
            if (e.collecting())
                log.add(QStringLiteral("Tx :") + BytesToHex(oneByte(proto::EndReq)));

            done = poll(mode, tries);
            polled = true;
        } catch (const std::exception& ex) {
            failure = QString::fromLocal8Bit(ex.what());
        }
    }

    try {
        e.CUStopRequest();
    } catch (const std::exception& ex) {
        if (failure.isEmpty())
            failure = QString::fromLocal8Bit(ex.what());
    }
    if (polled && !done)
        m_report.add(QStringLiteral("Unit did not respond in tries:") + FormatCount(tries));
    if (failure.isEmpty() && e.portLost())
        failure = PortNotResponding;
    if (!failure.isEmpty())
        m_report.add(ColouredLines::Red, failure);
    if (e.collecting())
        log.add(QStringLiteral("Read self-diagnostic codes terminated. "));
    e.RxData.clear();
    e.LinkState = ssIdle;

    // The report is on disk after every reading; a file that cannot be written is
    // said in the report itself, so that start-up goes on.
    try {
        saveDiagnosticResult(m_report, m_path);
    } catch (const EReportSave& ex) {
        m_report.add(ColouredLines::Red, ex.message());
    }
}

// Looks for the first complete frame: at most 31 looks, 30 ms apart. A look that
// finds one decodes it into the report. Returns whether a frame was decoded.
bool FaultCodeReader::poll(int mode, int& tries) {
    LinkEngine& e = m_engine;
    DebugLog& log = e.log();
    const TMopaProtMng& pace = Command(cmdSelfDiagnostic);
    const int lastTry = pace.tries & 0xFF;
    bool done = false;
    do {
        e.pump().processPending();
        if (e.portLost())
            break;
        ++tries;
        const FaultFrame f = decodeFaultReply(e.CurrentModule, mode, e.RxData);
        if (f.start >= 0 && f.length >= 0 && e.collecting())
            log.add(QStringLiteral("Get Packet Length... -> ") + FormatCount(f.length));
        if (f.complete) {
            if (e.collecting())
                log.add(ColouredLines::Purple,
                        QStringLiteral("Buff before: ") + BytesToHex(e.RxData));
            for (const ReportLine& line : f.lines) {
                if (line.colour)
                    m_report.setColour(*line.colour);
                m_report.add(line.text);
            }
            done = true;
            if (e.collecting()) {
                log.add(ColouredLines::Green, QStringLiteral("Packet extracted: ") +
                                                  BytesToHex(e.RxData, f.position - 1));
                log.add(QStringLiteral("Packet position: ") + FormatCount(double(f.position)));
                e.OverMaxSeen = 0;
                log.add(QStringLiteral("Buff left: ") + FormatCount(double(e.RxData.size())));
            }
        }
        e.fixedPause(pace.pollInterval);
        if (e.collecting())
            log.add(QStringLiteral("Tries: ") + FormatCount(tries));
    } while (!done && tries <= lastTry && !e.portLost());
    return done;
}

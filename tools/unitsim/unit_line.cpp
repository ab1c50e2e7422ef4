#include "unit_line.h"

#include "protocol/commands.h"

namespace unitsim {

namespace {

std::uint8_t requestByte(int command) {
    return static_cast<std::uint8_t>(Command(command).request.at(0));
}
std::uint8_t replyByte(int command) {
    return static_cast<std::uint8_t>(Command(command).reply.at(0));
}

void put(QByteArray* reply, std::uint8_t b) {
    reply->append(static_cast<char>(b));
}

} // namespace

UnitLine::UnitLine(const SimConfig& config)
    : m_config(config), m_engine(config.seed, config.weakCylinder), m_transmission(config.seed) {
    for (int m : {ModuleEcu, ModuleAt}) {
        for (std::uint8_t a : catalogueAddresses(m)) {
            if (m_config.module(m).registers.test(a))
                m_allOrder[m - ModuleEcu].push_back(a);
        }
    }
}

bool UnitLine::select(std::uint8_t b, QByteArray* reply) {
    for (int m : {ModuleEcu, ModuleAt}) {
        if (b != requestByte(m))
            continue;
        if (!m_config.module(m).present)
            break;
        endSession();
        m_module = m;
        m_phase = Phase::Command;
        put(reply, replyByte(m));
        return true;
    }
    // Another unit was addressed (possibly one that is not there): step back and listen.
    if (b == requestByte(cmdEcuSelect) || b == requestByte(cmdAtSelect) ||
        b == requestByte(cmdAirconSelect)) {
        endSession();
        m_phase = Phase::Unselected;
        return true;
    }
    return false;
}

void UnitLine::endSession() {
    m_requests.clear();
    m_streamAll = false;
    m_report = Report::None;
    m_engine.clearTests();
}

bool UnitLine::receive(std::uint8_t b, QByteArray* reply) {
    switch (m_phase) {
    case Phase::Mute:
        return false;
    case Phase::Unselected:
        select(b, reply);
        return false;
    case Phase::Command:
        command(b, reply);
        return false;
    case Phase::RegisterAddr:
        m_phase = Phase::Command;
        if (scenario().registers.test(b) && m_requests.size() < MaxRequests) {
            m_requests.push_back(b);
            put(reply, b);
        } else {
            put(reply, proto::ErrorReply);
        }
        return false;
    case Phase::TestCode:
        if (scenario().tests.test(b)) {
            m_testCode = b;
            m_phase = Phase::TestValue;
            put(reply, b);
        } else {
            m_phase = Phase::TestDiscard;
            put(reply, proto::ErrorReply);
        }
        return false;
    case Phase::TestValue:
        if (m_module == ModuleEcu)
            m_engine.applyTest(m_testCode, b);
        m_phase = Phase::Command;
        put(reply, b);
        return false;
    case Phase::TestDiscard:
        m_phase = Phase::Command;
        return false;
    case Phase::Streaming:
        // A streaming unit only listens for the stop byte and for a selection.
        if (b == proto::ExitDiag) {
            endSession();
            m_phase = Phase::Command;
            put(reply, proto::ExitDiagAck);
            return true;
        }
        return select(b, reply);
    }
    return false;
}

void UnitLine::command(std::uint8_t b, QByteArray* reply) {
    if (b != proto::EndReq && b != proto::Wake)
        m_report = Report::None; // a report is started only by 0xF0 right after its command

    if (b == proto::Wake) {
        // Wake-up: the next byte chooses a unit.
        m_phase = Phase::Unselected;
        return;
    }
    if (select(b, reply))
        return;

    switch (b) {
    case proto::ReqPreff:
        m_phase = Phase::RegisterAddr;
        put(reply, proto::ReqPreffAck);
        return;
    case proto::ActivePreff:
        if (scenario().tests.none()) {
            put(reply, proto::ErrorReply); // a unit without active tests refuses the prefix
            return;
        }
        m_phase = Phase::TestCode;
        put(reply, proto::ActivePreffAck);
        return;
    case proto::StreamAll:
        if (m_module != ModuleAt) {
            put(reply, proto::ErrorReply);
            return;
        }
        m_streamAll = true;
        put(reply, replyByte(cmdStreamAll));
        return;
    case proto::EndReq:
        if (m_report == Report::Faults || m_report == Report::Ident) {
            m_streamKind = m_report == Report::Faults ? StreamKind::Faults : StreamKind::Ident;
            m_phase = Phase::Streaming;
        } else if (m_streamAll || !m_requests.empty()) {
            m_streamKind = StreamKind::Registers;
            m_phase = Phase::Streaming;
        } else {
            put(reply, proto::ErrorReply); // nothing was asked for
        }
        return;
    case proto::ExitDiag:
        endSession();
        put(reply, proto::ExitDiagAck);
        return;
    case proto::SelfDiagnostic:
        m_report = Report::Faults;
        put(reply, replyByte(cmdSelfDiagnostic));
        return;
    case proto::ClearErrors:
        scenario().faults.clear();
        m_report = Report::Faults;
        put(reply, replyByte(cmdClearErrors));
        return;
    case proto::GetEcuNumber:
        if (scenario().ident.isEmpty()) {
            put(reply, proto::ErrorReply);
            return;
        }
        m_report = Report::Ident;
        put(reply, replyByte(cmdGetEcuNumber));
        return;
    default:
        put(reply, proto::ErrorReply);
        return;
    }
}

std::uint8_t UnitLine::registerByte(std::uint8_t addr) const {
    return m_module == ModuleEcu ? m_engine.registerByte(addr) : m_transmission.registerByte(addr);
}

QByteArray UnitLine::nextFrame(double elapsedMs) {
    m_engine.advance(elapsedMs);
    m_transmission.advance(elapsedMs);

    QByteArray data;
    switch (m_streamKind) {
    case StreamKind::Registers:
        for (std::uint8_t a : m_streamAll ? m_allOrder[m_module - ModuleEcu] : m_requests)
            data.append(static_cast<char>(registerByte(a)));
        break;
    case StreamKind::Faults:
        if (scenario().faults.empty()) {
            data.append(static_cast<char>(0x55)); // "normal operation", no starts
            data.append(static_cast<char>(0x00));
        }
        for (const FaultEntry& f : scenario().faults) {
            data.append(static_cast<char>(f.code));
            data.append(static_cast<char>(f.starts));
        }
        break;
    case StreamKind::Ident:
        data = scenario().ident;
        break;
    }
    QByteArray frame;
    frame.reserve(data.size() + 2);
    frame.append(static_cast<char>(proto::FrameStart));
    frame.append(static_cast<char>(data.size()));
    frame.append(data);
    return frame;
}

} // namespace unitsim

// Start-up: open the port, select each unit, find its registers, list them, and
// leave the engine unit current when it answered.
#include "link/link_engine.h"

#include "protocol/registers.h"

#include <algorithm>
#include <exception>

namespace {

const QString PortNotResponding =
    QStringLiteral("Com-port is not responding. Set correct port and make Reconnect.");

} // namespace

void LinkEngine::Initial() {
    view().showDetect();
    for (int m : {ModuleEcu, ModuleAt}) {
        StreamStart[m] = 0;
        TimeOffset[m] = 0;
        ModuleState[m].ClientHeight = 0;
        view().createModuleWindows(m);
    }
    view().createCommonWindows();

    // An error from opening reaches the caller only after start-up has run its
    // course (message, detection window closed).
    std::exception_ptr openError;
    if (!port().isActive()) {
        m_portLost = false;
        try {
            port().setActive(true);
        } catch (...) {
            openError = std::current_exception();
        }
    }

    if (collecting())
        log().add(ColouredLines::Navy, QStringLiteral("DIAGNOSTIC..."));
    ActivePacket.clear();
    LinkState = ssBusy;

    if (!port().isActive()) {
        prompts().warning(PortNotResponding);
    } else {
        for (int m : {ModuleEcu, ModuleAt}) {
            RxData.clear();
            LinkState = ssBusy;
            if (Set_Module(m)) {
                if (collecting())
                    log().add(QStringLiteral("__InitECU has Executed"));
                if (Diagnostics()) {
                    indicators().Show_Indicators();
                    if (m == ModuleEcu) {
                        Diagnostics_ECUActive();
                        if (m_s.faults)
                            m_s.faults->CUGetError(3);
                    }
                    if (m_s.faults)
                        m_s.faults->CUGetError(1);
                } else {
                    ModuleState[m].Present = 0;
                }
            } else {
                ModuleState[m].Present = 0;
                CUStopRequest();
            }
        }
        LinkState = ssIdle;
        if (collecting())
            log().add(QStringLiteral("__Show_Indicators has Executed ") + timeText());
    }

    view().closeDetect();
    LinkState = ssIdle; // what closing the detection window does

    if (ModuleState[ModuleEcu].Present)
        Set_Module(ModuleEcu);
    if (openError)
        std::rethrow_exception(openError);
}

bool LinkEngine::Set_Module(int module) {
    StopDiag();
    view().setModuleBoxVisible(CurrentModule, false);
    if (LinkState == ssBusy)
        view().setDetectModule(Module(module).LongName);

    const bool ok = WaitForMngRespond(module, true);
    MenuState& m = menu();
    if (ok) {
        CurrentModule = module;
        ModuleState[module].Present = 1;
        const RegisterRangeT range = RegisterRange(module);
        if (module == ModuleEcu) {
            FirstRegister = range.first;
            LastRegister = range.last;
            m.set(MenuState::ECU1, true);
            m.set(MenuState::AT1, false);
            m.set(MenuState::ActiveTestsEnabled, true);
            m.setModeCaption(QStringLiteral("&Mode ECU"));
        } else if (module == ModuleAt) {
            view().closeActiveTests();
            FirstRegister = range.first;
            LastRegister = range.last;
            m.set(MenuState::ECU1, false);
            m.set(MenuState::AT1, true);
            m.set(MenuState::ActiveTestsEnabled, false);
            m.setModeCaption(QStringLiteral("&Mode AT"));
        }
        m.set(MenuState::StartEnabled, true);
        m.set(MenuState::CommandsEnabled, true);
        m.set(MenuState::ViewEnabled, true);
        view().setModuleBoxVisible(module, true);
        view().setNotActiveVisible(false);
        if (LinkState == ssBusy)
            view().setDetectRange(FirstRegister, LastRegister);
    } else {
        if (module == ModuleEcu)
            m.set(MenuState::ActiveTestsEnabled, false);
        m.set(MenuState::CommandsEnabled, false);
        m.set(MenuState::ViewEnabled, false);
        ModuleState[module].Present = 0;
        view().setModuleBoxVisible(module, false);
        ModuleState[module].ClientHeight = 30;
        view().setNotActiveVisible(true);
    }
    indicators().Set_SizePos();
    Set_Packets();
    return ok;
}

bool LinkEngine::Diagnostics() {
    const int m = CurrentModule;
    CalcLength[m] = 0;
    bool result = true;
    indicators().clearSensorList(m);

    const int last = std::min(LastRegister, RegisterCount);
    for (int r = std::max(FirstRegister, 1); r <= last; ++r) {
        view().setDetectPosition(r);
        TMopaProtocol& reg = RegisterTable[r];
        if (reg.Unsupported)
            continue;
        if (!WaitForMngRespond(cmdReqPreff, true)) {
            result = false;
            break;
        }
        const std::uint8_t answer = WaitForParamRespond(r);
        if (answer == 1) {
            ++CalcLength[m];
            reg.Selected = true;
            if (reg.Kind != 2)
                reg.ListIndex = indicators().addSensor(m, reg.Name);
            if (reg.isGroup()) {
                while (r + 1 <= last && RegisterTable[r + 1].isBit()) {
                    ++r;
                    TMopaProtocol& bit = RegisterTable[r];
                    bit.Selected = true;
                    bit.ListIndex = indicators().addSensor(m, bit.Name);
                }
            }
            if (m == ModuleAt && !WaitForMngRespond(cmdExitDiag, true))
                break;
        } else if (answer == 0) {
            // A refused register is never probed again; it is not streamed either,
            // even if an earlier start-up (another car) had selected it.
            reg.Unsupported = true;
            reg.Selected = false;
            if (reg.isGroup()) {
                while (r + 1 <= last && RegisterTable[r + 1].isBit()) {
                    ++r;
                    RegisterTable[r].Unsupported = true;
                    RegisterTable[r].Selected = false;
                }
            }
        } else {
            return false; // no answer: no stop request either
        }
    }
    if (CalcLength[m] == 0)
        result = false;
    CUStopRequest();
    return result;
}

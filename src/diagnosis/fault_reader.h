#pragma once

#include "diagnosis/report_file.h"
#include "link/seams.h"

#include <QString>

#include <functional>

class ColouredLines;
class LinkEngine;

// Reads or clears the current unit's fault codes, or reads the engine unit's
// identification, into the report, and saves the report after every reading.
// Runs on the UI thread and waits only through the engine's pump.
//
// A closed port, a cable pulled during the reading, a failed write or a report
// file that cannot be written are said in red in the report itself (no dialog, so
// start-up goes on); the engine always ends idle.
//
//     FaultCodeReader faults(engine, report);       // report: the window's model
//     faults.setShowReport([w] { w->show(); });
//     engine.setFaults(&faults);                     // start-up reads through it
class FaultCodeReader : public FaultReader {
public:
    FaultCodeReader(LinkEngine& engine, ColouredLines& report, QString path = DiagnosticResultFile);

    // mode 1 reads the fault codes, 2 clears them, 3 reads the identification.
    void CUGetError(int mode) override;
    void GetCUErrorsClick() { CUGetError(1); }
    void ClearCUErrorsClick() { CUGetError(2); }

    // Makes the report window visible; called at the start of every reading.
    void setShowReport(std::function<void()> show) { m_show = std::move(show); }

    // The report heading's time stamp: fixed, whatever the locale.
    static constexpr const char* StampFormat = "dd.MM.yyyy HH:mm:ss";

private:
    void send(unsigned char byte);
    bool poll(int mode, int& tries);

    LinkEngine& m_engine;
    ColouredLines& m_report;
    QString m_path;
    std::function<void()> m_show;
    bool m_running = false;
};

#pragma once

#include <QString>

#include <stdexcept>

class ColouredLines;

// The fault-code report file, in the current directory, rewritten after every
// reading and once more when the main window closes.
inline const QString DiagnosticResultFile = QStringLiteral("Diagnostic Result.rtf");

// Why the report could not be written; the message names the file.
class EReportSave : public std::runtime_error {
public:
    explicit EReportSave(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// Writes the whole report with its colours as RTF, atomically (a crash leaves the
// earlier file whole). Throws EReportSave when it cannot.
void saveDiagnosticResult(const ColouredLines& report, const QString& path = DiagnosticResultFile);

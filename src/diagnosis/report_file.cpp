#include "diagnosis/report_file.h"

#include "protocol/coloured_lines.h"

void saveDiagnosticResult(const ColouredLines& report, const QString& path) {
    QString error;
    if (!report.saveRtf(path, &error))
        throw EReportSave(error);
}

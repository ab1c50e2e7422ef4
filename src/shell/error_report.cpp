#include "shell/error_report.h"

#include <QApplication>
#include <QMessageBox>

#include <stdexcept>

namespace {

ErrorReportSink& sink() {
    static ErrorReportSink s;
    return s;
}

} // namespace

QString ErrorReportText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

QString ExceptionMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void ReportError(const QString& message) {
    const QString text = ErrorReportText(message);
    if (sink()) {
        sink()(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Zedo Vudera"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void ReportException(const std::exception_ptr& error) {
    ReportError(ExceptionMessage(error));
}

void SetErrorReportSink(ErrorReportSink s) {
    sink() = std::move(s);
}

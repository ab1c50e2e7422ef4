#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <utility>

class QWidget;

// The application's default error report: an exception that leaves an event
// handler is shown in a modal stop-icon box titled "Zedo Vudera", and the program
// goes on.

// The text shown: the message, with a full stop added when its last character
// has a code above that of '.'.
QString ErrorReportText(const QString& message);

// The message of an exception; UTF-8 for std::exception, a fixed text otherwise.
QString ExceptionMessage(const std::exception_ptr& error);

// Shows the report (or hands it to the sink tests install).
void ReportError(const QString& message);
void ReportException(const std::exception_ptr& error);

// Tests capture reports instead of showing boxes; an empty sink restores the box.
using ErrorReportSink = std::function<void(const QString& text)>;
void SetErrorReportSink(ErrorReportSink sink);

// Runs a handler that is called directly rather than through Qt's event
// delivery; an exception is reported. Returns whether it ran to its end.
template <typename Handler> bool Guarded(Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (...) {
        ReportException(std::current_exception());
        return false;
    }
}

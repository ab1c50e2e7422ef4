#include "shell/zv_application.h"

#include "shell/error_report.h"

#include <QIcon>

ZvApplication::ZvApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Zedo Vudera"));
    setOrganizationName(QStringLiteral("ZedoVudera"));
    setApplicationVersion(QStringLiteral("1.0.0.16"));
    // Every window shows the program icon.
    Q_INIT_RESOURCE(shell);
    setWindowIcon(QIcon(QStringLiteral(":/zedovudera/icon.png")));
}

bool ZvApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // Reported here, the exception does not unwind through Qt's event loop;
        // the handler that threw simply ended.
        ReportException(std::current_exception());
        return false;
    }
}

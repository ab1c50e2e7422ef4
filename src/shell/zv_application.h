#pragma once

#include <QApplication>

// The application object: the title "Zedo Vudera", and the default error report
// for every exception that leaves an event handler.
class ZvApplication : public QApplication {
    Q_OBJECT
public:
    ZvApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

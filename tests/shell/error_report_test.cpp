#include "shell/error_report.h"
#include "support/gtest_qt.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(ErrorReport, FullStopOnlyAfterCharactersAboveTheFullStop) {
    struct Case {
        QString message;
        QString shown;
    };
    const Case cases[] = {
        {QStringLiteral("Failed to load settings"), QStringLiteral("Failed to load settings.")},
        {QStringLiteral("Already done."), QStringLiteral("Already done.")},
        {QStringLiteral("Cannot open port '/dev/ttyS0'"),
         QStringLiteral("Cannot open port '/dev/ttyS0'")},
        {QStringLiteral("Timeout (5 s)"), QStringLiteral("Timeout (5 s)")},
        {QStringLiteral("trailing dash -"), QStringLiteral("trailing dash -")},
        {QStringLiteral("ends in a slash /"), QStringLiteral("ends in a slash /.")},
        {QStringLiteral("count 0"), QStringLiteral("count 0.")},
        {QStringLiteral("Нет связи"), QStringLiteral("Нет связи.")},
        {QString(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorReportText(c.message), c.shown) << c.message.toStdString();
}

class Thrower : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Port not open");
        return QObject::event(e);
    }
};

TEST(ErrorReport, ExceptionLeavingAnEventHandlerIsReportedAndTheProgramGoesOn) {
    QStringList shown;
    SetErrorReportSink([&](const QString& text) { shown << text; });
    Thrower target;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&target, &event);
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    SetErrorReportSink({});
    EXPECT_EQ(shown,
              QStringList({QStringLiteral("Port not open."), QStringLiteral("Port not open.")}));
}

TEST(ErrorReport, GuardedReportsAndSaysWhetherTheHandlerFinished) {
    QStringList shown;
    SetErrorReportSink([&](const QString& text) { shown << text; });
    EXPECT_TRUE(Guarded([] {}));
    EXPECT_FALSE(Guarded([] { throw std::runtime_error("Не удалось"); }));
    EXPECT_FALSE(Guarded([] { throw 42; }));
    SetErrorReportSink({});
    EXPECT_EQ(shown,
              QStringList({QStringLiteral("Не удалось."), QStringLiteral("Unknown error.")}));
}

} // namespace

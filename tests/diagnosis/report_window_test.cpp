#include "diagnosis/report_window.h"
#include "protocol/coloured_lines.h"
#include "support/gtest_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace {

// "#rrggbb text" for every block of the memo, colour taken from its first character.
QStringList shown(const TCU_Error& w) {
    QStringList out;
    for (QTextBlock b = w.Memo_Error()->document()->begin(); b.isValid(); b = b.next()) {
        QColor colour = b.charFormat().foreground().color();
        const auto frags = b.begin();
        if (!frags.atEnd())
            colour = frags.fragment().charFormat().foreground().color();
        out << colour.name() + QLatin1Char(' ') + b.text();
    }
    return out;
}

void pressEscape(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

TEST(ReportWindow, LooksAsTheReportWindow) {
    ColouredLines report;
    TCU_Error w(report);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Report"));
    EXPECT_EQ(w.geometry(), QRect(0, 91, 280, 329));
    QPlainTextEdit* memo = w.Memo_Error();
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->toolTip(), QStringLiteral("Список ошибок для текущего модуля"));
    EXPECT_EQ(memo->palette().color(QPalette::Base), QColor(0xA6, 0xCA, 0xF0));
    w.show();
    EXPECT_EQ(memo->geometry(), w.rect()); // fills the window
}

TEST(ReportWindow, ShowsEveryLineInItsColourAsTheReportGrows) {
    ColouredLines report;
    report.add(ColouredLines::Navy, QStringLiteral(" ECU 17.05.2024 10:00:00"));
    TCU_Error w(report);
    report.add(QStringLiteral("Get self-diagnoctic data..."));
    report.add(ColouredLines::Red, QStringLiteral(" 5- 5: Normal operation"));
    report.add(ColouredLines::Green, QStringLiteral("ECU info: 00FF"));
    report.add(ColouredLines::Navy, QStringLiteral("Ошибка"));
    EXPECT_EQ(shown(w),
              (QStringList{"#000080  ECU 17.05.2024 10:00:00",
                           "#000080 Get self-diagnoctic data...", "#ff0000  5- 5: Normal operation",
                           "#008000 ECU info: 00FF", "#000080 Ошибка"}));
}

TEST(ReportWindow, KeepsWhatTheBoundedReportKeeps) {
    ColouredLines report;
    report.setMaxLines(3);
    TCU_Error w(report);
    for (int i = 1; i <= 5; ++i)
        report.add(ColouredLines::Red, QString::number(i));
    EXPECT_EQ(shown(w), (QStringList{"#ff0000 3", "#ff0000 4", "#ff0000 5"}));
}

TEST(ReportWindow, EscapeAndCloseOnlyHide) {
    ColouredLines report;
    report.add(QStringLiteral("kept"));
    TCU_Error w(report);
    for (QWidget* target : {static_cast<QWidget*>(&w), static_cast<QWidget*>(w.Memo_Error())}) {
        w.show();
        ASSERT_TRUE(w.isVisible());
        pressEscape(target);
        EXPECT_FALSE(w.isVisible());
    }
    w.show();
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.testAttribute(Qt::WA_DeleteOnClose));
    w.show();
    EXPECT_EQ(shown(w), QStringList{"#000000 kept"});
}

} // namespace

#include "protocol/coloured_lines.h"
#include "shell/debug_menu.h"
#include "shell/debug_window.h"
#include "shell/status_gauge.h"

#include "protocol/rtf_test_reader.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Handles events until cond holds or a generous deadline passes.
bool waitFor(const std::function<bool()>& cond) {
    QDeadlineTimer deadline(10000);
    while (!cond() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return cond();
}

void pressEscape(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

QColor firstFragmentColour(const QTextBlock& block) {
    return block.begin().fragment().charFormat().foreground().color();
}

class DebugWindow : public ::testing::Test {
protected:
    DebugLog log;
    TDebug window{log};
    bool showChecked = false;

    void SetUp() override {
        QObject::connect(&window, &TDebug::closed, [this] { showChecked = false; });
    }
    QTextDocument* doc() { return window.Memo->document(); }
};

TEST_F(DebugWindow, CreatedHiddenWithItsLayout) {
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Debug Information"));
    EXPECT_EQ(window.pos(), QPoint(0, 91));
    EXPECT_EQ(window.size(), QSize(291, 425));
    EXPECT_EQ(window.maximumHeight(), 425);
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_TRUE(window.Memo->isReadOnly());
    EXPECT_EQ(window.Memo->palette().color(QPalette::Base), QColor(0xC0, 0xDC, 0xC0));
    EXPECT_EQ(window.Memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(window.BufferStatus->maximum(), 1000);

    window.show();
    window.resize(400, 500); // never taller than 425
    ASSERT_TRUE(waitFor([&] { return window.isVisible(); }));
    EXPECT_EQ(window.height(), 425);
    EXPECT_EQ(window.Memo->geometry(), QRect(0, 0, 400, 369));
    EXPECT_EQ(window.BufferStatus->geometry(), QRect(0, 405, 400, 20));
}

TEST_F(DebugWindow, BufferStatusCaptionCarriesTheValue) {
    EXPECT_EQ(window.BufferStatus->text(), QStringLiteral("Input buffer status        0"));
    window.setBufferStatus(37);
    EXPECT_EQ(window.BufferStatus->text(), QStringLiteral("Input buffer status       37"));
    EXPECT_EQ(window.BufferStatus->value(), 37);
    // Beyond the maximum the bar is full and the caption still tells the truth.
    window.setBufferStatus(123456);
    EXPECT_EQ(window.BufferStatus->text(), QStringLiteral("Input buffer status   123456"));
    EXPECT_EQ(window.BufferStatus->value(), 1000);
    window.setBufferStatus(123456789);
    EXPECT_EQ(window.BufferStatus->text(), QStringLiteral("Input buffer status 123456789"));
}

TEST_F(DebugWindow, EscapeClosesAndClosingUnchecksShow) {
    Show_debugClick(showChecked, window);
    EXPECT_TRUE(showChecked);
    EXPECT_TRUE(window.isVisible());

    pressEscape(window.Memo); // the memo has the focus: key preview
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(showChecked);

    Show_debugClick(showChecked, window);
    EXPECT_TRUE(window.isVisible());
    pressEscape(&window);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(showChecked);

    // The menu entry hides it too, without going through a close.
    Show_debugClick(showChecked, window);
    Show_debugClick(showChecked, window);
    EXPECT_FALSE(showChecked);
    EXPECT_FALSE(window.isVisible());

    Show_debugClick(showChecked, window);
    window.close();
    EXPECT_FALSE(showChecked);
}

TEST_F(DebugWindow, ShowsTheLogInItsColoursAndFollowsIt) {
    log.add(ColouredLines::Navy, QStringLiteral("Managed protocol"));
    log.add(QStringLiteral("Tx :EF"));
    window.show();
    ASSERT_EQ(doc()->blockCount(), 2); // caught up when shown
    EXPECT_EQ(doc()->firstBlock().text(), QStringLiteral("Managed protocol"));
    EXPECT_EQ(firstFragmentColour(doc()->findBlockByNumber(1)), QColor(0x00, 0x00, 0x80));

    log.add(ColouredLines::Red, QStringLiteral("--MNG We get RxFlag! ->"));
    log.add(QStringLiteral("line\nwith a break"));
    ASSERT_TRUE(waitFor([&] { return doc()->blockCount() == 4; })); // by the timer
    EXPECT_EQ(firstFragmentColour(doc()->lastBlock()), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(doc()->lastBlock().text(), QStringLiteral("line") + QChar(QChar::LineSeparator) +
                                             QStringLiteral("with a break"));

    // Hidden, it does not follow; shown again, it catches up.
    window.hide();
    log.add(ColouredLines::Green, QStringLiteral("Packet extracted: FF03"));
    window.flush();
    EXPECT_EQ(doc()->blockCount(), 4);
    window.show();
    EXPECT_EQ(doc()->blockCount(), 5);
    EXPECT_EQ(doc()->lastBlock().text(), QStringLiteral("Packet extracted: FF03"));
    EXPECT_FALSE(doc()->isUndoRedoEnabled());
}

TEST_F(DebugWindow, HoldsABoundedTailWithANoticeOnTop) {
    log.setMaxLines(TDebug::ViewMaxLines * 2);
    window.show();
    const int total = TDebug::ViewMaxLines * 3 + 17;
    for (int i = 0; i < total; ++i) {
        log.add(i % 2 ? ColouredLines::Green : ColouredLines::Purple, QString::number(i));
        if (i % 5000 == 0) {
            window.flush(); // as the timer would, mid-stream
        }
    }
    window.flush();
    ASSERT_EQ(doc()->blockCount(), TDebug::ViewMaxLines + 1);
    const int hidden = total - TDebug::ViewMaxLines;
    EXPECT_EQ(doc()->firstBlock().text(),
              QStringLiteral("[%1 earlier lines not shown]").arg(hidden));
    EXPECT_EQ(doc()->findBlockByNumber(1).text(), QString::number(hidden));
    EXPECT_EQ(doc()->lastBlock().text(), QString::number(total - 1));
    EXPECT_EQ(firstFragmentColour(doc()->lastBlock()), QColor(0x80, 0x00, 0x80)); // even line

    // More lines keep the count and move the notice on.
    for (int i = 0; i < 10; ++i) {
        log.add(QStringLiteral("more"));
    }
    window.flush();
    EXPECT_EQ(doc()->blockCount(), TDebug::ViewMaxLines + 1);
    EXPECT_EQ(doc()->firstBlock().text(),
              QStringLiteral("[%1 earlier lines not shown]").arg(hidden + 10));
}

TEST_F(DebugWindow, CollectTogglesTheLogSwitch) {
    bool collect = false;
    Collect_debugClick(collect, log);
    EXPECT_TRUE(collect);
    EXPECT_TRUE(log.collecting());
    Collect_debugClick(collect, log);
    EXPECT_FALSE(collect);
    EXPECT_FALSE(log.collecting());
}

class SaveDebug : public ::testing::Test {
protected:
    QTemporaryDir dir;
    DebugLog log;
};

TEST_F(SaveDebug, CancelWritesNothing) {
    log.add(QStringLiteral("x"));
    int asked = 0;
    EXPECT_TRUE(Save_debugClick(log, [&] {
                    ++asked;
                    return QString();
                }).isEmpty());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(SaveDebug, WritesTheWholeLogAsRtf) {
    log.add(ColouredLines::Navy, QStringLiteral("DIAGNOSTIC..."));
    log.add(ColouredLines::Red, QStringLiteral("Rx <- {A5} \\ Скорость"));
    const QString path = dir.filePath(QStringLiteral("Log.rtf"));
    EXPECT_EQ(Save_debugClick(log, [&] { return path; }), path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const RtfTestDocument doc = readTestRtf(f.readAll());
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    const std::vector<RtfTestLine> expected{
        {QStringLiteral("DIAGNOSTIC..."), ColouredLines::Navy},
        {QStringLiteral("Rx <- {A5} \\ Скорость"), ColouredLines::Red},
    };
    EXPECT_EQ(doc.lines, expected);
    EXPECT_EQ(log.count(), 2); // saving leaves the log as it was
}

TEST_F(SaveDebug, FailureThrowsNamingTheFile) {
    log.add(QStringLiteral("x"));
    const QString path = dir.filePath(QStringLiteral("missing/Log.rtf"));
    try {
        Save_debugClick(log, [&] { return path; });
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(path)) << e.what();
    }
}

} // namespace

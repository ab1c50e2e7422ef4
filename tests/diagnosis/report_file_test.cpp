#include "diagnosis/report_file.h"
#include "protocol/coloured_lines.h"
#include "protocol/rtf_test_reader.h"
#include "support/gtest_qt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Runs in a fresh temporary directory as the current one.
class ReportFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_old = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    }
    void TearDown() override { QDir::setCurrent(m_old); }

    static RtfTestDocument readBack(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {{}, {}, QStringLiteral("cannot open ") + path};
        return readTestRtf(f.readAll());
    }

    QTemporaryDir m_dir;
    QString m_old;
};

TEST_F(ReportFile, WritesTheReportWithColoursIntoTheCurrentDirectory) {
    ColouredLines report;
    report.add(ColouredLines::Navy, QStringLiteral(" ECU 17.05.2024 10:00:00"));
    report.add(ColouredLines::Red, QStringLiteral(" 5- 5: Normal operation {ok} \\"));
    report.add(ColouredLines::Green, QStringLiteral("Список ошибок"));
    saveDiagnosticResult(report);

    const RtfTestDocument doc = readBack(m_dir.filePath(QStringLiteral("Diagnostic Result.rtf")));
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    EXPECT_EQ(doc.lines, (std::vector<RtfTestLine>{
                             {QStringLiteral(" ECU 17.05.2024 10:00:00"), 0x000080},
                             {QStringLiteral(" 5- 5: Normal operation {ok} \\"), 0xFF0000},
                             {QStringLiteral("Список ошибок"), 0x008000}}));

    // A later save replaces the file whole.
    report.add(ColouredLines::Navy, QStringLiteral("second"));
    saveDiagnosticResult(report);
    EXPECT_EQ(readBack(QStringLiteral("Diagnostic Result.rtf")).lines.size(), 4u);
    EXPECT_EQ(QDir().entryList(QDir::Files), QStringList{"Diagnostic Result.rtf"});
}

TEST_F(ReportFile, FailureNamesTheFileAndKeepsTheEarlierOne) {
    ColouredLines report;
    report.add(QStringLiteral("first"));
    saveDiagnosticResult(report);

    // A directory where the file should be cannot be replaced by a file.
    const QString blocked = QStringLiteral("blocked/Diagnostic Result.rtf");
    ASSERT_TRUE(QDir().mkpath(blocked));
    try {
        saveDiagnosticResult(report, blocked);
        FAIL() << "saving over a directory succeeded";
    } catch (const EReportSave& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Diagnostic Result.rtf"))) << e.what();
    }

    report.add(QStringLiteral("second"));
    EXPECT_THROW(saveDiagnosticResult(report, QStringLiteral("missing/dir/Diagnostic Result.rtf")),
                 EReportSave);
    EXPECT_EQ(readBack(QStringLiteral("Diagnostic Result.rtf")).lines.size(), 1u);
}

} // namespace

#include "protocol/coloured_lines.h"

#include "rtf_test_reader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ColouredLines, ALineTakesTheColourLastSet) {
    DebugLog log;
    int signals_ = 0;
    QObject::connect(&log, &ColouredLines::linesAdded, [&] { ++signals_; });

    log.add(QStringLiteral("before any colour"));
    log.setColour(ColouredLines::Navy);
    log.add(QStringLiteral("Managed protocol"));
    log.add(QStringLiteral("Tx :FF"));
    log.add(ColouredLines::Red, QStringLiteral("--MNG We get RxFlag! ->"));
    log.add(QStringLiteral("follows red"));

    ASSERT_EQ(log.count(), 5);
    const std::uint32_t expected[] = {ColouredLines::Black, ColouredLines::Navy,
                                      ColouredLines::Navy, ColouredLines::Red, ColouredLines::Red};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(log.line(i).colour, expected[i]) << i;
    EXPECT_EQ(log.line(2).text, QStringLiteral("Tx :FF"));
    EXPECT_EQ(log.colour(), ColouredLines::Red);
    EXPECT_EQ(signals_, 5);
    EXPECT_EQ(log.text(), QStringLiteral("before any colour\nManaged protocol\nTx :FF\n"
                                         "--MNG We get RxFlag! ->\nfollows red"));
    EXPECT_FALSE(log.collecting()); // collection is off at launch
    EXPECT_EQ(log.dropped(), 0);
    EXPECT_TRUE(log.droppedNotice().isEmpty());
}

TEST(ColouredLines, KeepsTheNewestLinesAndSaysHowManyWent) {
    ColouredLines lines;
    lines.setMaxLines(3);
    for (int i = 1; i <= 5; ++i)
        lines.add(i % 2 ? ColouredLines::Green : ColouredLines::Purple, QString::number(i));
    EXPECT_EQ(lines.count(), 3);
    EXPECT_EQ(lines.dropped(), 2);
    EXPECT_EQ(lines.totalAdded(), 5);
    EXPECT_EQ(lines.line(0).text, QStringLiteral("3"));
    EXPECT_EQ(lines.line(0).colour, ColouredLines::Green);
    EXPECT_EQ(lines.droppedNotice(), QStringLiteral("[2 earlier lines dropped]"));
    EXPECT_EQ(lines.text(), QStringLiteral("[2 earlier lines dropped]\n3\n4\n5"));

    // Lowering the bound drops at once; the colour state is untouched.
    lines.setMaxLines(1);
    EXPECT_EQ(lines.count(), 1);
    EXPECT_EQ(lines.dropped(), 4);
    EXPECT_EQ(lines.colour(), ColouredLines::Green);
    lines.setMaxLines(0); // never below one line
    EXPECT_EQ(lines.maxLines(), 1);
    EXPECT_EQ(ColouredLines().maxLines(), ColouredLines::DefaultMaxLines);
}

class ColouredLinesRtf : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

TEST_F(ColouredLinesRtf, SavesEveryLineWithItsColour) {
    ASSERT_TRUE(dir.isValid());
    ColouredLines log;
    log.add(ColouredLines::Navy, QStringLiteral("DIAGNOSTIC..."));
    log.add(QStringLiteral("Положение дроссельной заслонки {закрыто}"));
    log.add(ColouredLines::Purple, QStringLiteral("Buff before: 5AA5\\"));
    log.add(ColouredLines::Blue, QStringLiteral("Tx (select level) -> EF"));

    QString error;
    ASSERT_TRUE(log.saveRtf(path("Log.rtf"), &error)) << error.toStdString();
    const RtfTestDocument doc = readTestRtf(readAll(path("Log.rtf")));
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    const std::vector<RtfTestLine> expected{
        {QStringLiteral("DIAGNOSTIC..."), ColouredLines::Navy},
        {QStringLiteral("Положение дроссельной заслонки {закрыто}"), ColouredLines::Navy},
        {QStringLiteral("Buff before: 5AA5\\"), ColouredLines::Purple},
        {QStringLiteral("Tx (select level) -> EF"), ColouredLines::Blue},
    };
    EXPECT_EQ(doc.lines, expected);
    EXPECT_EQ(doc.colours.size(), 3u);

    // Saving again replaces the file.
    log.add(ColouredLines::Red, QStringLiteral("Rx <- 10"));
    ASSERT_TRUE(log.saveRtf(path("Log.rtf"), &error)) << error.toStdString();
    EXPECT_EQ(readTestRtf(readAll(path("Log.rtf"))).lines.size(), 5u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Log.rtf")});
}

TEST_F(ColouredLinesRtf, EmptyLogWritesAValidEmptyDocument) {
    ColouredLines log;
    ASSERT_TRUE(log.saveRtf(path("empty.rtf")));
    const QByteArray rtf = readAll(path("empty.rtf"));
    ASSERT_FALSE(rtf.isEmpty());
    const RtfTestDocument doc = readTestRtf(rtf);
    EXPECT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    EXPECT_TRUE(doc.lines.empty());
}

TEST_F(ColouredLinesRtf, DroppedLinesAreAnnouncedAtTheTop) {
    ColouredLines log;
    log.setMaxLines(2);
    for (int i = 0; i < 4; ++i)
        log.add(ColouredLines::Green, QStringLiteral("frame %1").arg(i));
    ASSERT_TRUE(log.saveRtf(path("trimmed.rtf")));
    const RtfTestDocument doc = readTestRtf(readAll(path("trimmed.rtf")));
    ASSERT_EQ(doc.lines.size(), 3u);
    EXPECT_EQ(doc.lines[0], (RtfTestLine{QStringLiteral("[2 earlier lines dropped]"), 0}));
    EXPECT_EQ(doc.lines[1].text, QStringLiteral("frame 2"));
    EXPECT_EQ(doc.lines[2].colour, ColouredLines::Green);
}

TEST_F(ColouredLinesRtf, FailureNamesTheFileAndLeavesWhatWasThere) {
    ColouredLines log;
    log.add(QStringLiteral("x"));
    QString error;

    const QString missing = path("no/such/dir/Log.rtf");
    EXPECT_FALSE(log.saveRtf(missing, &error));
    EXPECT_TRUE(error.contains(missing)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(missing));

    // A directory in the way: the rename at the end fails and the directory stays.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Log.rtf")));
    error.clear();
    EXPECT_FALSE(log.saveRtf(path("Log.rtf"), &error));
    EXPECT_TRUE(error.contains(path("Log.rtf"))) << error.toStdString();
    EXPECT_TRUE(QFileInfo(path("Log.rtf")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList()); // no temporary left
    EXPECT_FALSE(log.saveRtf(path("Log.rtf"))); // no error pointer: still just false
}

} // namespace

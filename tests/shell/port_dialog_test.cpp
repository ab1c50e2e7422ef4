#include "protocol/coloured_lines.h"
#include "serial/com_select_form.h"
#include "serial/port_names.h"
#include "support/gtest_qt.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

ComPortInfo port(int number, const char* device, const char* product = "", bool accessible = true,
                 bool inUse = false) {
    ComPortInfo p;
    p.number = number;
    p.device = QString::fromUtf8(device);
    p.product = QString::fromUtf8(product);
    p.accessible = accessible;
    p.inUse = inUse;
    return p;
}

class PortDialog : public ::testing::Test {
protected:
    int stored = 0;
    int stores = 0;
    DebugLog log;
    std::unique_ptr<TComSelectForm> dialog;

    void open(int current) {
        stored = current;
        dialog = std::make_unique<TComSelectForm>(
            current,
            [this](int n) {
                stored = n;
                ++stores;
            },
            &log);
        dialog->setPorts({port(1, "/dev/ttyS0"), port(3, "/dev/ttyUSB0", "FT232R USB UART"),
                          port(65, "/dev/ttyACM0", "", false)});
    }
    QStringList logTexts() const {
        QStringList out;
        for (qsizetype i = 0; i < log.count(); ++i)
            out << log.line(i).text;
        return out;
    }
};

TEST_F(PortDialog, ListsPlainNumbersWithTheDeviceBeside) {
    open(0);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Select Com port"));
    EXPECT_EQ(dialog->size(), QSize(223, 37));
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog->ComChooce->geometry().topLeft(), QPoint(8, 8));
    EXPECT_EQ(dialog->ComChooce->width(), 105);
    EXPECT_EQ(dialog->ComChooce->placeholderText(), QStringLiteral("Select com port"));
    EXPECT_EQ(dialog->Label1->text(), QStringLiteral("Select com port"));
    EXPECT_EQ(dialog->Label1->pos(), QPoint(120, 11));

    QComboBox* box = dialog->ComChooce;
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(box->itemText(1), QStringLiteral("3"));
    EXPECT_EQ(box->itemText(2), QStringLiteral("65"));
    const QAbstractItemModel* model = box->model();
    EXPECT_EQ(model->index(1, 1).data().toString(),
              QStringLiteral("/dev/ttyUSB0 — FT232R USB UART"));
    EXPECT_EQ(model->index(1, 0).data(Qt::ToolTipRole).toString(),
              QStringLiteral("/dev/ttyUSB0 — FT232R USB UART"));
    EXPECT_EQ(model->index(2, 1).data().toString(),
              QStringLiteral("/dev/ttyACM0 (no permission: join the dialout group)"));
    EXPECT_EQ(TComSelectForm::describe(port(2, "/dev/ttyS1", "", true, true)),
              QStringLiteral("/dev/ttyS1 (in use)"));
    EXPECT_EQ(box->currentIndex(), -1);
}

TEST_F(PortDialog, PreselectsTheCurrentPortWhenListed) {
    open(3);
    dialog->FormShow();
    EXPECT_EQ(dialog->ComChooce->currentText(), QStringLiteral("3"));
    open(2);
    dialog->FormShow();
    EXPECT_EQ(dialog->ComChooce->currentIndex(), -1);
    EXPECT_EQ(stores, 0);
}

TEST_F(PortDialog, PickStoresThePortLogsAndCloses) {
    log.setColour(ColouredLines::Navy);
    log.setCollecting(true);
    open(0);
    dialog->show();
    dialog->ComChooceSelect(1);
    EXPECT_EQ(stored, 3);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(logTexts(),
              QStringList({QStringLiteral("COM-Port selection"), QStringLiteral("Port:3"),
                           QStringLiteral("Str in C-box:3"), QStringLiteral("Ind in C-box:1")}));
    EXPECT_EQ(log.line(3).colour, ColouredLines::Navy); // the colour last used

    // Not collecting: the pick only.
    log.setCollecting(false);
    open(3);
    dialog->ComChooceSelect(2);
    EXPECT_EQ(stored, 65);
    EXPECT_EQ(log.count(), 4);
}

TEST_F(PortDialog, ClosingWithoutAPickKeepsThePort) {
    open(3);
    QTimer::singleShot(0, dialog.get(), [this] { dialog->reject(); });
    dialog->exec();
    EXPECT_EQ(stores, 0);
    EXPECT_EQ(stored, 3);
}

TEST_F(PortDialog, ListsAPortLinkedInTheConfigDirectory) {
    QTemporaryDir home;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    ASSERT_TRUE(QDir().mkpath(ZvConfigDir() + QStringLiteral("/ports")));
    ASSERT_TRUE(QFile::link(slave, ZvConfigDir() + QStringLiteral("/ports/COM117")));

    TComSelectForm form(117, {}, nullptr);
    form.fillPresentPorts();
    form.FormShow();
    EXPECT_EQ(form.ComChooce->currentText(), QStringLiteral("117"));
    EXPECT_TRUE(form.ComChooce->model()
                    ->index(form.ComChooce->currentIndex(), 1)
                    .data()
                    .toString()
                    .startsWith(slave));
    ::close(master);
    if (saved.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}

} // namespace

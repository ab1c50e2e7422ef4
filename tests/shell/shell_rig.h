#pragma once

#include "shell/com_main_form.h"
#include "shell/error_report.h"
#include "shell/main_port.h"
#include "support/fake_link_port.h"
#include "support/fake_prompts.h"
#include "support/fake_unit.h"
#include "support/gtest_qt.h"
#include "support/virtual_pump.h"

#include <QDir>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// The fake port as the main window's port: a number and the engine routing.
class FakeMainPort : public MainPort {
public:
    explicit FakeMainPort(FakeLinkPort& port) : m_port(port) {}

    int Port() const override { return m_number; }
    void setPort(int number) override { m_number = number; }
    void bind(LinkEngine& engine) override {
        m_port.onDataAvailable = [&engine] { engine.DurIveRadaDataAvailable(); };
        m_port.onLinkLost = [&engine] { engine.DurIveRadaLinkLost(); };
    }
    void unbind() override {
        m_port.onDataAvailable = nullptr;
        m_port.onLinkLost = nullptr;
    }
    bool isActive() const override { return m_port.isActive(); }
    void setActive(bool on) override { m_port.setActive(on); }
    void writeBytes(const ByteString& bytes) override { m_port.writeBytes(bytes); }
    ByteString readString() override { return m_port.readString(); }
    std::int64_t arrivalMs() const override { return m_port.arrivalMs(); }
    void setLineEnd(const ByteString& bytes) override { m_port.setLineEnd(bytes); }
    ByteString lineEnd() const override { return m_port.lineEnd(); }

private:
    FakeLinkPort& m_port;
    int m_number = 0;
};

// The real main window on the virtual clock with a scripted unit behind a fake
// port, settings in a temporary directory (also the current directory, where the
// report file goes) and the error reports captured.
class ShellRig {
public:
    ShellRig();
    ~ShellRig();

    // Writes Port into HKEY_LOCAL_MACHINE.ini (a text, to store broken values too).
    void storePort(const QString& value);
    // The stored port, or an empty string.
    QString storedPort() const;
    QString iniPath() const { return dir.path() + QStringLiteral("/HKEY_LOCAL_MACHINE.ini"); }

    TForm1& form();

    QTemporaryDir dir;
    QString previousDir;
    VirtualPump pump;
    FakeLinkPort link{pump};
    FakeUnit unit{pump, link};
    FakeMainPort port{link};
    FakePrompts prompts;
    QStringList reports; // error reports as shown
    QStringList events;  // order of what the main window did
    int closedSignals = 0;
    std::function<void()> choosePort; // the port dialog's stand-in

private:
    std::unique_ptr<TForm1> m_form;
};

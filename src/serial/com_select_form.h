#pragma once

#include "serial/port_names.h"

#include <QDialog>
#include <QList>

#include <functional>

class DebugLog;
class QComboBox;
class QLabel;

// "Select Com port": the present ports by number, each with the device behind it
// (and a USB adapter's product name) so that the user can tell which is the
// cable. Picking an entry stores its number and closes at once; closing without
// a pick keeps the port as it was. Created for each use.
class TComSelectForm : public QDialog {
    Q_OBJECT
public:
    // currentPort: preselected when listed; storePort receives the pick; log (may be
    // null) gets the selection lines while collecting.
    TComSelectForm(int currentPort, std::function<void(int)> storePort, DebugLog* log,
                   QWidget* parent = nullptr);

    QComboBox* ComChooce = nullptr;
    QLabel* Label1 = nullptr;

    // Fills the list; the entry's text is the plain number.
    void setPorts(const QList<ComPortInfo>& ports);
    // Fills it with the ports present on this machine.
    void fillPresentPorts() { setPorts(ListComPorts()); }

    // What the list shows beside a number.
    static QString describe(const ComPortInfo& port);

    void FormShow();
    void ComChooceSelect(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    int m_currentPort;
    std::function<void(int)> m_storePort;
    DebugLog* m_log;
};

#pragma once

#include <QObject>
#include <QString>

// The main menu's state that the engine, the values and the oscillogram read and
// write: check marks, captions and enabled states. The main window binds its
// actions to it in both directions; tests read it directly.
class MenuState : public QObject {
    Q_OBJECT
public:
    enum Item {
        Collect_oscillo,  // "&Collect data into oscillogram", checked at start
        Show_i,           // "&Indicate data on gauge", checked at start
        Show_oscillogram, // "&Display oscillogram"
        Packed_record,    // "&Packed Oscillogram record"
        Collect_overmax,  // "&Collect over-max packets"
        Collect_debug,    // "Collect debug info"
        Osc_saveandclear, // "&Oscillogram autosave and clear"
        Show_debug,       // "Show debug info"
        ECU1,             // "&1   ECU" check
        AT1,              // "&2   AT" check
        StartEnabled,     // "&Start" enabled
        ActiveTestsEnabled,
        CommandsEnabled,
        ViewEnabled,
        ItemCount
    };
    Q_ENUM(Item)

    explicit MenuState(QObject* parent = nullptr);

    bool isOn(Item item) const { return m_on[item]; }
    void set(Item item, bool on);

    QString startCaption() const { return m_startCaption; } // "&Start" / "&Stop"
    void setStartCaption(const QString& caption);
    QString modeCaption() const { return m_modeCaption; } // "&Mode ECU" / "&Mode AT"
    void setModeCaption(const QString& caption);

signals:
    void changed(MenuState::Item item, bool on);
    void startCaptionChanged(const QString& caption);
    void modeCaptionChanged(const QString& caption);

private:
    bool m_on[ItemCount] = {};
    QString m_startCaption = QStringLiteral("&Start");
    QString m_modeCaption = QStringLiteral("&Mode ECU");
};

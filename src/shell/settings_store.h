#pragma once

#include <QString>

#include <memory>

class QSettings;

// A registry as the settings code knows it, kept in INI files: one file per root
// in the program's configuration directory ("HKEY_LOCAL_MACHINE.ini", ...), the
// key path as the group path, values as INI entries.
class TRegistry {
public:
    enum Root { HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };

    // configDir: where the root files live; empty: the program's configuration
    // directory.
    explicit TRegistry(QString configDir = QString());
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    Root RootKey = HKEY_CURRENT_USER;

    // Opens key (backslash separated, relative to the root). Without canCreate the
    // key must already hold a value or a sub-key. Throws std::runtime_error when
    // the root file cannot be read.
    bool OpenKey(const QString& key, bool canCreate);
    void CloseKey();
    bool isOpen() const { return m_settings != nullptr; }

    // Throws std::runtime_error when the value is missing or not an integer.
    int ReadInteger(const QString& name) const;
    // Written through at once; throws std::runtime_error when the store refuses it.
    void WriteInteger(const QString& name, int value);

    static QString rootName(Root root);
    QString rootFile() const; // the file of the current root

private:
    QString m_dir;
    std::unique_ptr<QSettings> m_settings;
};

// Opens keyPath\section: the text before the first backslash names the root (case
// does not matter; an unknown name leaves the default root), the rest is the path.
// No backslash at all: nothing is opened.
bool OpenSettingsKey(TRegistry& registry, const QString& keyPath, const QString& section,
                     bool canCreate);

// The value "Port" of the open key.
int LoadRegistry(TRegistry& registry);
void StoreRegistry(TRegistry& registry, int port);

// The stored port under keyPath\Communication; 0 when the key is missing. Throws
// EMopa 17 "Failed to load settings" when "Port" is missing or not an integer.
int LoadSettings(const QString& keyPath, const QString& configDir = QString());
// Throws EMopa 16 "Failed to store settings" when the store cannot be written.
void StoreSettings(const QString& keyPath, int port, const QString& configDir = QString());

// The key path the main window uses.
inline const QString SettingsKeyPath = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\ZedoVudera");

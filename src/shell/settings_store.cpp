#include "shell/settings_store.h"

#include "protocol/emopa.h"
#include "serial/port_names.h"

#include <QFileInfo>
#include <QSettings>

#include <stdexcept>

namespace {

const QString PortValue = QStringLiteral("Port");
const QString Section = QStringLiteral("Communication");

[[noreturn]] void fail(const QString& why) {
    throw std::runtime_error(why.toStdString());
}

} // namespace

TRegistry::TRegistry(QString configDir)
    : m_dir(configDir.isEmpty() ? ZvConfigDir() : std::move(configDir)) {}

TRegistry::~TRegistry() = default;

QString TRegistry::rootName(Root root) {
    switch (root) {
    case HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_CURRENT_USER:
        break;
    }
    return QStringLiteral("HKEY_CURRENT_USER");
}

QString TRegistry::rootFile() const {
    return m_dir + QLatin1Char('/') + rootName(RootKey) + ".ini";
}

bool TRegistry::OpenKey(const QString& key, bool canCreate) {
    CloseKey();
    const QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    auto settings = std::make_unique<QSettings>(rootFile(), QSettings::IniFormat);
    if (settings->status() != QSettings::NoError)
        fail(QStringLiteral("cannot read ") + rootFile());
    const QString group = parts.join(QLatin1Char('/'));
    if (!group.isEmpty())
        settings->beginGroup(group);
    if (!canCreate && settings->childKeys().isEmpty() && settings->childGroups().isEmpty())
        return false;
    m_settings = std::move(settings);
    return true;
}

void TRegistry::CloseKey() {
    m_settings.reset();
}

int TRegistry::ReadInteger(const QString& name) const {
    if (!m_settings)
        fail(QStringLiteral("no key open"));
    const QVariant value = m_settings->value(name);
    // A list (a value with a comma) or anything else that is not a whole number.
    if (!value.isValid() || value.typeId() == QMetaType::QStringList)
        fail(QStringLiteral("invalid value ") + name);
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok);
    if (!ok)
        fail(QStringLiteral("invalid value ") + name);
    return n;
}

void TRegistry::WriteInteger(const QString& name, int value) {
    if (!m_settings)
        fail(QStringLiteral("no key open"));
    m_settings->setValue(name, value);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        fail(QStringLiteral("cannot write ") + m_settings->fileName());
}

bool OpenSettingsKey(TRegistry& registry, const QString& keyPath, const QString& section,
                     bool canCreate) {
    const qsizetype slash = keyPath.indexOf(QLatin1Char('\\'));
    if (slash < 0)
        return false;
    const QString root = keyPath.left(slash);
    if (root.compare(QLatin1String("HKEY_LOCAL_MACHINE"), Qt::CaseInsensitive) == 0)
        registry.RootKey = TRegistry::HKEY_LOCAL_MACHINE;
    else if (root.compare(QLatin1String("HKEY_CURRENT_USER"), Qt::CaseInsensitive) == 0)
        registry.RootKey = TRegistry::HKEY_CURRENT_USER;
    else if (root.compare(QLatin1String("HKEY_CLASSES_ROOT"), Qt::CaseInsensitive) == 0)
        registry.RootKey = TRegistry::HKEY_CLASSES_ROOT;
    QString path = keyPath.mid(slash + 1);
    if (!path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('\\');
    path += section;
    return registry.OpenKey(path, canCreate);
}

int LoadRegistry(TRegistry& registry) {
    return registry.ReadInteger(PortValue);
}

void StoreRegistry(TRegistry& registry, int port) {
    registry.WriteInteger(PortValue, port);
}

int LoadSettings(const QString& keyPath, const QString& configDir) {
    try {
        TRegistry registry(configDir);
        if (OpenSettingsKey(registry, keyPath, Section, false))
            return LoadRegistry(registry);
        return 0;
    } catch (...) {
        throw EMopa(17);
    }
}

void StoreSettings(const QString& keyPath, int port, const QString& configDir) {
    try {
        TRegistry registry(configDir);
        if (OpenSettingsKey(registry, keyPath, Section, true))
            StoreRegistry(registry, port);
    } catch (...) {
        throw EMopa(16);
    }
}

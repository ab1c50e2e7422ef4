#include "shell/config_dir.h"

#include <QStandardPaths>

QString ProgramConfigDir() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ZedoVudera");
}

#pragma once

#include <QString>

// The program's configuration directory, $XDG_CONFIG_HOME/ZedoVudera.
QString ProgramConfigDir();

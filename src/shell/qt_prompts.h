#pragma once

#include "link/seams.h"

// The engine's dialogs as message boxes: a warning with OK, a confirmation with
// Yes and No.
class QtPrompts : public Prompts {
public:
    void warning(const QString& text) override;
    bool confirm(const QString& text) override;
};

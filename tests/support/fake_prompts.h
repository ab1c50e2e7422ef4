#pragma once

#include "link/seams.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// Records every dialog text; answers confirmations from a script (No when the
// script is empty).
class FakePrompts : public Prompts {
public:
    void warning(const QString& text) override {
        warnings << text;
        if (onWarning)
            onWarning(text);
    }
    bool confirm(const QString& text) override {
        confirms << text;
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }

    QStringList warnings;
    QStringList confirms;
    std::deque<bool> answers;
    // Runs while a warning is "shown" (a modal dialog handles events meanwhile).
    std::function<void(const QString&)> onWarning;
};

#pragma once

#include "protocol/controls.h"

#include <QLabel>

// The caption beside a lamp: navy, bold, the register's display text.
class LampCaption : public QLabel, public CaptionControl {
    Q_OBJECT
public:
    explicit LampCaption(const QString& text, QWidget* parent = nullptr);
};

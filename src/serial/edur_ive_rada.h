#pragma once

#include <QString>

#include <stdexcept>

// Failures of the serial port component. Carries only its message.
class EDurIveRada : public std::runtime_error {
public:
    explicit EDurIveRada(const QString& message) : std::runtime_error(message.toStdString()) {}

    QString message() const { return QString::fromStdString(what()); }
};

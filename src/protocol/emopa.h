#pragma once

#include <QString>

#include <stdexcept>

// The program's own exception with a numbered message (1..23).
class EMopa : public std::runtime_error {
public:
    explicit EMopa(int number);
    int ErrorNumber;
};

// ErrorMessages[1..23]; index 0 is empty.
QString ErrorMessage(int number);

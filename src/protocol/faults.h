#pragma once

#include <QString>
#include <QStringList>

struct TMopaError {
    int Code = 0; // only the low byte is compared
    QString Text;
};

constexpr int FaultCount = 49;

// Row n (1..49) of the fault table.
const TMopaError& FaultRow(int n);

// Texts of every row whose code equals c (at most one with the table as it is).
QStringList FaultTexts(unsigned char c);

#pragma once

#include <QString>

// Companies are numbered 1 to 9999; blanks around a number are forgiven.
constexpr int highestCompany = 9999;
bool isCompanyNumber(const QString &text);

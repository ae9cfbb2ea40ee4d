#pragma once

#include <QString>

// Companies are numbered 1 to 9999; blanks around a number are forgiven.
constexpr int highestCompany = 9999;
bool isCompanyNumber(const QString &text);

// The one form a company number is kept and compared in: "01" and " 1 " are
// company "1". Other texts come back trimmed, for the caller to refuse.
QString canonicalCompany(const QString &text);

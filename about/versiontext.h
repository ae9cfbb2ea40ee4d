#pragma once

#include <QString>

// The version as shown to the user: each dot-separated number without leading zeros
// ("1.00.0008" -> "1.0.8"). Parts that are not numbers are kept as they are.
QString versionText(const QString &version);

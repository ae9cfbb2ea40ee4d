#pragma once

#include <QString>

// The kinds of entries of the card assignment log, as the server stores them
// (Z a card assigned, W moved from its previous holder, K a correction), and
// the word people read for each.
inline QString assignmentKindName(const QString &kind)
{
    if (kind == QLatin1String("Z"))
        return QStringLiteral("Zuordnung");
    if (kind == QLatin1String("W"))
        return QStringLiteral("Wechsel");
    if (kind == QLatin1String("K"))
        return QStringLiteral("Korrektur");
    return kind;
}

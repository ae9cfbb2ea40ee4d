#include "cacheapi/objects/bookingtext.h"

QString BookingText::compose(const QString &terminalName, const QString &bookingKind,
                             const QString &branchNumber, const QString &cardField,
                             const QString &clockTime)
{
    const QChar blank = QLatin1Char(' ');
    QString text(card.from - 1, blank);
    text.replace(terminal.from - 1, terminalName.size(), terminalName);
    text.replace(kind.from - 1, bookingKind.size(), bookingKind);
    text.replace(branch.from - 1, branchNumber.size(), branchNumber);
    return text + cardField + clockTime;
}

QString BookingText::kindName(QStringView bookingKind)
{
    if (bookingKind == QLatin1String("K"))
        return QStringLiteral("Kommen");
    if (bookingKind == QLatin1String("G"))
        return QStringLiteral("Gehen");
    return QString();
}

#include "about/versiontext.h"

#include <QStringList>

namespace {

bool isNumber(const QString &part)
{
    if (part.isEmpty())
        return false;
    for (const QChar c : part) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Drops leading zeros as text, so that numbers of any length stay exact.
QString withoutLeadingZeros(const QString &number)
{
    qsizetype first = 0;
    while (first < number.size() - 1 && number.at(first) == QLatin1Char('0'))
        ++first;
    return number.mid(first);
}

} // namespace

QString versionText(const QString &version)
{
    QStringList parts = version.split(QLatin1Char('.'));
    for (QString &part : parts) {
        if (isNumber(part))
            part = withoutLeadingZeros(part);
    }
    return parts.join(QLatin1Char('.'));
}

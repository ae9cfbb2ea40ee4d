#include "cacheapi/objects/companynumber.h"

#include <QRegularExpression>

bool isCompanyNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,4}$"));
    const QString number = text.trimmed();
    return digits.match(number).hasMatch() && number.toInt() >= 1 &&
           number.toInt() <= highestCompany;
}

QString canonicalCompany(const QString &text)
{
    return isCompanyNumber(text) ? QString::number(text.trimmed().toInt()) : text.trimmed();
}

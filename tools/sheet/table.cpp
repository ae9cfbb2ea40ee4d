#include "tools/sheet/table.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

QString cellText(const QVariant &cell)
{
    switch (cell.typeId()) {
    case QMetaType::QDate:
        return cell.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    case QMetaType::QTime:
        return cell.toTime().toString(QStringLiteral("HH:mm"));
    case QMetaType::QDateTime:
        return cell.toDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    default:
        return cell.toString();
    }
}

#pragma once

#include <QStringList>
#include <QVariant>

// The value as the database receives it. A missing or null text is the empty
// text: the server knows no NULL, and Qt would bind a null QString as NULL.
inline QVariant boundValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong ||
        value.typeId() == QMetaType::UInt || value.typeId() == QMetaType::ULongLong)
        return value;
    const QString text = value.toString();
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

// "?, ?, ..." for the bound arguments of a function call.
inline QString placeholders(qsizetype count)
{
    return QStringList(count, QStringLiteral("?")).join(QStringLiteral(", "));
}

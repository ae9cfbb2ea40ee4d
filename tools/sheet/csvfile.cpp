#include "tools/sheet/csvfile.h"

namespace {

QByteArray csvLine(const QStringList &texts)
{
    QStringList fields;
    for (const QString &text : texts)
        fields << csvField(text);
    return fields.join(QLatin1Char(';')).toUtf8() + "\r\n";
}

} // namespace

QString csvField(const QString &text)
{
    QString field = text;
    if (!field.isEmpty() && QStringLiteral("=+-@").contains(field.front()))
        field.prepend(QLatin1Char('\''));
    const bool quote = field.contains(QLatin1Char(';')) || field.contains(QLatin1Char('"')) ||
                       field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')) ||
                       field != field.trimmed();
    if (!quote)
        return field;
    field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

QByteArray csvContent(const Table &table)
{
    QByteArray content("\xEF\xBB\xBF");
    content += csvLine(table.titles);
    for (const QVariantList &row : table.rows) {
        QStringList texts;
        for (const QVariant &cell : row)
            texts << cellText(cell);
        content += csvLine(texts);
    }
    return content;
}

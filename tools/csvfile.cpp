#include "csvfile.h"

#include <QFile>
#include <QSaveFile>

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

QString writeCsvFile(const QString &path, const QList<QStringList> &rows, bool replace)
{
    if (!replace && QFile::exists(path))
        return QStringLiteral("Datei %1 gibt es schon; mit --force wird sie ersetzt").arg(path);
    QByteArray content("\xEF\xBB\xBF");
    for (const QStringList &row : rows) {
        QStringList fields;
        for (const QString &text : row)
            fields << csvField(text);
        content += fields.join(QLatin1Char(';')).toUtf8() + "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return QStringLiteral("Datei %1 kann nicht geschrieben werden: %2")
            .arg(path, file.errorString());
    return QString();
}

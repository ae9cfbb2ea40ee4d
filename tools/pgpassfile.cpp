#include "tools/pgpassfile.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace {

QString passwordFilePath()
{
    const QString given = qEnvironmentVariable("PGPASSFILE");
    return given.isEmpty() ? QDir::home().filePath(QStringLiteral(".pgpass")) : given;
}

// A line's fields: ":" separates, "\" takes the next character as it is.
QStringList fieldsOf(const QString &line)
{
    QStringList fields{QString()};
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == QLatin1Char('\\') && i + 1 < line.size())
            fields.last() += line.at(++i);
        else if (line.at(i) == QLatin1Char(':'))
            fields << QString();
        else
            fields.last() += line.at(i);
    }
    return fields;
}

} // namespace

QString passwordFileHost(const ConnectionTarget &target)
{
    if (!target.host.isEmpty())
        return target.host;
    const QString host = qEnvironmentVariable("PGHOST").section(QLatin1Char(','), 0, 0);
    // A socket folder is compared as "localhost".
    return host.isEmpty() || host.startsWith(QLatin1Char('/')) ? QStringLiteral("localhost") : host;
}

QString passwordFilePort(const ConnectionTarget &target)
{
    if (target.port > 0)
        return QString::number(target.port);
    return qEnvironmentVariable("PGPORT", QStringLiteral("5432"));
}

QString passwordFileProblem(const QString &host, const QString &port, const QString &database,
                            const QString &role)
{
    const QString path = passwordFilePath();
    QFile file(path);
    if (!file.exists())
        return QStringLiteral(
                   "die Kennwortdatei %1 fehlt (Zeilen Server:Port:Datenbank:Rolle:Kennwort)")
            .arg(path);
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if (file.permissions() & others)
        return QStringLiteral("die Kennwortdatei %1 dürfen auch andere lesen, darum übergeht "
                              "PostgreSQL sie: chmod 600 %1")
            .arg(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("die Kennwortdatei %1 ist nicht lesbar").arg(path);
    const QStringList wanted{host, port, database, role};
    QStringList hostsForRole;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = fieldsOf(line);
        if (fields.size() < 5)
            continue;
        bool matches = true;
        for (int i = 0; i < 4; ++i)
            matches =
                matches && (fields.at(i) == QLatin1String("*") || fields.at(i) == wanted.at(i));
        if (matches)
            return QString();
        if (fields.at(3) == role || fields.at(3) == QLatin1String("*"))
            hostsForRole << fields.at(0) + QLatin1Char(':') + fields.at(1);
    }
    return QStringLiteral("in %1 passt keine Zeile zu %2:%3, Datenbank %4, Rolle %5%6; der Server "
                          "muss genau so geschrieben sein wie in der Verbindung")
        .arg(path, host, port, database, role,
             hostsForRole.isEmpty() ? QString()
                                    : QStringLiteral(" (für die Rolle stehen dort: %1)")
                                          .arg(hostsForRole.join(QStringLiteral(", "))));
}

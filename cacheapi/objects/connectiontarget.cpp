#include "cacheapi/objects/connectiontarget.h"

#include <QRegularExpression>

std::optional<ConnectionTarget> parseConnectionString(const QString &connectionString)
{
    // Namespaces become database and file names, so only plain names pass.
    static const QRegularExpression pattern(QStringLiteral(
        R"(^cn_iptcp:([^\[\]\s]+)\[(\d{1,5})\]:([A-Za-z%][A-Za-z0-9_%]{0,62})$)"));
    const QRegularExpressionMatch match = pattern.match(connectionString);
    if (!match.hasMatch())
        return std::nullopt;
    const int port = match.captured(2).toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return ConnectionTarget{match.captured(1), port, match.captured(3)};
}

QString ConnectionTarget::postgresLocation() const
{
    const QString service = qEnvironmentVariable("PGSERVICE");
    const auto libpqValue = [&](const char *variable, const QString &fallback) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
        return service.isEmpty() ? fallback : QStringLiteral("Dienst %1").arg(service);
    };
    return QStringLiteral("PostgreSQL-Datenbank %1 auf %2:%3")
        .arg(databaseFromLibpq ? libpqValue("PGDATABASE", databaseName()) : databaseName(),
             host.isEmpty() ? libpqValue("PGHOST", QStringLiteral("localhost")) : host,
             port > 0 ? QString::number(port) : libpqValue("PGPORT", QStringLiteral("5432")));
}

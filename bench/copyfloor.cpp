#include "bench/copyfloor.h"

#include <QByteArray>
#include <libpq-fe.h>
#include <memory>

namespace {

struct Closer
{
    void operator()(PGconn *connection) const { PQfinish(connection); }
};

void require(PGconn *connection, PGresult *result, ExecStatusType wanted)
{
    const bool ok = PQresultStatus(result) == wanted;
    PQclear(result);
    if (!ok)
        qFatal("COPY floor: %s", PQerrorMessage(connection));
}

// COPY's text format: a tab between fields, a backslash before what would end them.
QByteArray line(const QVariantList &row)
{
    QByteArray text;
    for (const QVariant &value : row) {
        if (!text.isEmpty())
            text += '\t';
        for (const char c : value.toString().toUtf8()) {
            if (c == '\\' || c == '\t' || c == '\n' || c == '\r')
                text += '\\';
            text += c;
        }
    }
    return text + '\n';
}

} // namespace

void copyRows(const ConnectionTarget &target, const QString &table, const QStringList &columns,
              const QList<QVariantList> &rows)
{
    const QByteArray parameters = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
                                      .arg(target.host)
                                      .arg(target.port)
                                      .arg(target.nameSpace.toLower(), target.user)
                                      .toUtf8();
    const std::unique_ptr<PGconn, Closer> connection(PQconnectdb(parameters.constData()));
    if (PQstatus(connection.get()) != CONNECTION_OK)
        qFatal("COPY floor: %s", PQerrorMessage(connection.get()));
    PGconn *pg = connection.get();
    require(pg, PQexec(pg, "BEGIN"), PGRES_COMMAND_OK);
    const QByteArray copy = QStringLiteral("COPY %1 (%2) FROM STDIN")
                                .arg(table, columns.join(QStringLiteral(", ")))
                                .toUtf8();
    require(pg, PQexec(pg, copy.constData()), PGRES_COPY_IN);
    for (const QVariantList &row : rows) {
        const QByteArray text = line(row);
        if (PQputCopyData(pg, text.constData(), int(text.size())) != 1)
            qFatal("COPY floor: %s", PQerrorMessage(pg));
    }
    if (PQputCopyEnd(pg, nullptr) != 1)
        qFatal("COPY floor: %s", PQerrorMessage(pg));
    require(pg, PQgetResult(pg), PGRES_COMMAND_OK);
    require(pg, PQexec(pg, "COMMIT"), PGRES_COMMAND_OK);
}

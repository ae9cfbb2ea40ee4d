#include "tools/backup/idsequences.h"

#include "tools/backup/sqlitefile.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

QString quotedIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The tables that hand out their ids with AUTOINCREMENT, and those that
// sqlite_sequence keeps a number for, as the catalogue lists them.
bool idTables(const SqliteFile &file, QStringList *tables, QString *error)
{
    QSqlQuery query(file.database());
    const bool hasSequences =
        query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"
                                  " WHERE type = 'table' AND name = 'sqlite_sequence'")) &&
        query.next() && query.value(0).toInt() > 0;
    if (!query.isActive()) {
        *error = query.lastError().databaseText();
        return false;
    }
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"
                                   " AND (sql LIKE '%AUTOINCREMENT%'%1)")
                        .arg(hasSequences
                                 ? QStringLiteral(" OR name IN (SELECT name FROM sqlite_sequence)")
                                 : QString()))) {
        *error = query.lastError().databaseText();
        return false;
    }
    while (query.next())
        tables->append(query.value(0).toString());
    return true;
}

} // namespace

HighestIds highestIds(const SqliteFile &file, QString *unread)
{
    HighestIds highest;
    QStringList tables;
    if (!idTables(file, &tables, unread))
        return highest;
    const auto raise = [&](const QString &table, const QVariant &id) {
        if (!id.isNull())
            highest[table] = qMax(highest.value(table), id.toLongLong());
    };
    const auto note = [&](const QSqlQuery &failed) {
        if (unread->isEmpty())
            *unread = failed.lastError().databaseText();
    };
    if (!tables.isEmpty()) {
        QSqlQuery sequences(file.database());
        if (sequences.exec(QStringLiteral("SELECT name, seq FROM sqlite_sequence")))
            while (sequences.next())
                raise(sequences.value(0).toString(), sequences.value(1));
        else
            note(sequences);
    }
    for (const QString &table : std::as_const(tables)) {
        QSqlQuery largest(file.database());
        if (largest.exec(
                QStringLiteral("SELECT max(rowid) FROM %1").arg(quotedIdentifier(table))) &&
            largest.next())
            raise(table, largest.value(0));
        else
            note(largest);
    }
    return highest;
}

bool raiseSequences(const SqliteFile &file, const HighestIds &highest, QString *error)
{
    QStringList tables;
    if (!idTables(file, &tables, error))
        return false;
    QSqlDatabase db = file.database();
    if (!db.transaction()) {
        *error = db.lastError().databaseText();
        return false;
    }
    for (const QString &table : std::as_const(tables)) {
        const qint64 id = highest.value(table);
        if (id <= 0)
            continue;
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT count(*) FROM sqlite_sequence WHERE name = ?"));
        query.addBindValue(table);
        bool done = query.exec() && query.next();
        if (done) {
            const bool listed = query.value(0).toInt() > 0;
            query.finish();
            query.prepare(listed ? QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?)"
                                                  " WHERE name = ?")
                                 : QStringLiteral("INSERT INTO sqlite_sequence (seq, name)"
                                                  " VALUES (?, ?)"));
            query.addBindValue(id);
            query.addBindValue(table);
            done = query.exec();
        }
        if (!done) {
            *error = query.lastError().databaseText();
            query = QSqlQuery();
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        *error = db.lastError().databaseText();
        db.rollback();
        return false;
    }
    return true;
}

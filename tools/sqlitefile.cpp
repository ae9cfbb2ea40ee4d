#include "sqlitefile.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>
#include <atomic>
#include <sqlite3.h>

namespace {
QString newConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("karven-sqlitefile-%1").arg(++counter);
}
} // namespace

SqliteFile::SqliteFile(const QString &path) : path_(path), connectionName_(newConnectionName()) {}

SqliteFile::~SqliteFile()
{
    if (!QSqlDatabase::contains(connectionName_))
        return;
    QSqlDatabase::database(connectionName_, false).close();
    QSqlDatabase::removeDatabase(connectionName_);
}

bool SqliteFile::open()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
    db.setDatabaseName(path_);
    // The program may be writing at the same moment: wait for it instead of failing.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        lastError_ = db.lastError().text();
        return false;
    }
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        handle_ = *static_cast<sqlite3 *const *>(handle.constData());
    if (!handle_) {
        lastError_ = QStringLiteral("Der SQLite-Treiber gibt keinen Zugriff auf die Datei");
        db.close();
        return false;
    }
    return true;
}

QSqlDatabase SqliteFile::database() const
{
    return QSqlDatabase::database(connectionName_, false);
}

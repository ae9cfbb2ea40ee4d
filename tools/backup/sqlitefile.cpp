#include "tools/backup/sqlitefile.h"

#include "engine/embeddedfile.h"

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
    // Opened as the engine opens its files: a write-protected one leaves no
    // -shm file behind that would lock out the program's writes later.
    const EmbeddedFile file = inspectEmbeddedFile(path_, true);
    if (!file.refusal.isEmpty()) {
        lastError_ = file.refusal;
        return false;
    }
    db.setDatabaseName(file.databaseName());
    db.setConnectOptions(file.connectOptions());
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

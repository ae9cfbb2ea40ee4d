#include "engine/embeddedfile.h"

#include <QFileInfo>
#include <QUrl>

namespace {

bool writable(const QFileInfo &file)
{
    return file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
}

// A writer in WAL mode keeps both files while it works; without them nobody
// writes, and the file can be read as it lies, without SQLite's shared memory.
bool writerMayBeActive(const QString &path)
{
    return QFileInfo::exists(path + QStringLiteral("-wal")) ||
           QFileInfo::exists(path + QStringLiteral("-shm"));
}

} // namespace

EmbeddedFile inspectEmbeddedFile(const QString &path, bool allowEmpty)
{
    EmbeddedFile file;
    file.path = path;
    const QFileInfo info(path);
    file.exists = info.exists() || info.isSymLink();
    if (!file.exists)
        return file;
    if (!info.isFile()) {
        file.refusal =
            QStringLiteral("%1 ist keine Datei, sondern ein Ordner oder Gerät").arg(path);
        return file;
    }
    if (info.size() == 0 && !allowEmpty) {
        file.refusal = QStringLiteral("Datei %1 ist leer und keine KARVEN-Datenbank; sie bleibt "
                                      "unverändert (eine neue legt \"karven-admin create\" an)")
                           .arg(path);
        return file;
    }
    file.readOnly = !writable(info);
    return file;
}

QString EmbeddedFile::databaseName() const
{
    if (!exists)
        return path;
    QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    if (!readOnly)
        return uri + QStringLiteral("?mode=rw");
    uri += QStringLiteral("?mode=ro");
    return writerMayBeActive(path) ? uri : uri + QStringLiteral("&immutable=1");
}

QString EmbeddedFile::connectOptions() const
{
    // Several programs may use one file: wait for a writer instead of failing.
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
    if (exists)
        options += QStringLiteral(";QSQLITE_OPEN_URI");
    if (readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    return options;
}

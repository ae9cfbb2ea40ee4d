#include "tools/sheet/tablefiles.h"

#include "tools/sheet/csvfile.h"
#include "tools/sheet/xlsxfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <memory>
#include <vector>

namespace {

QString cannotWrite(const QString &path, const QString &reason)
{
    return QStringLiteral("Datei %1 kann nicht geschrieben werden: %2").arg(path, reason);
}

// The usual causes in German, whatever language the system speaks.
QString cannotWrite(const QSaveFile &file)
{
    const QFileInfo folder(QFileInfo(file.fileName()).absolutePath());
    QString reason = file.errorString();
    if (!folder.isDir())
        reason = QStringLiteral("den Ordner %1 gibt es nicht").arg(folder.filePath());
    else if (!folder.isWritable())
        reason =
            QStringLiteral("im Ordner %1 darf nicht geschrieben werden").arg(folder.filePath());
    else if (file.error() == QFileDevice::ResourceError)
        reason = QStringLiteral("kein Platz mehr auf dem Datenträger");
    return cannotWrite(file.fileName(), reason);
}

} // namespace

QString TableFiles::names() const
{
    QStringList paths;
    for (const QString &path : {csv, xlsx})
        if (!path.isEmpty())
            paths << path;
    return paths.join(QStringLiteral(" und "));
}

QString writeTableFiles(const Table &table, const TableFiles &files, bool replace)
{
    for (const QString &path : {files.csv, files.xlsx})
        if (!path.isEmpty() && !replace && QFile::exists(path))
            return QStringLiteral("Datei %1 gibt es schon; mit --force wird sie ersetzt").arg(path);
    std::vector<std::pair<QString, QByteArray>> contents;
    if (!files.csv.isEmpty())
        contents.emplace_back(files.csv, csvContent(table));
    if (!files.xlsx.isEmpty()) {
        QString problem;
        contents.emplace_back(files.xlsx, xlsxContent(table, problem));
        if (!problem.isEmpty())
            return cannotWrite(files.xlsx, problem);
    }
    // Every file is written out before any takes its place.
    std::vector<std::unique_ptr<QSaveFile>> written;
    for (const auto &[path, content] : contents) {
        auto file = std::make_unique<QSaveFile>(path);
        if (!file->open(QIODevice::WriteOnly) || file->write(content) != content.size())
            return cannotWrite(*file);
        written.push_back(std::move(file));
    }
    for (const std::unique_ptr<QSaveFile> &file : written)
        if (!file->commit())
            return cannotWrite(*file);
    return QString();
}

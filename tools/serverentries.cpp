#include "tools/serverentries.h"

#include "cacheapi/objects/companynumber.h"
#include "cacheapi/objects/serverentryrules.h"
#include "engine/session.h"
#include "engine/storedform.h"
#include "tools/admindatabase.h"

#include <QSqlQuery>

namespace {

struct Entry
{
    int id = 0;
    QString name, company, branch, server, port, nameSpace;
    int type = 0;
};

std::optional<Entry> loadEntry(Session &session, int id)
{
    QSqlQuery row = session.exec(
        QStringLiteral(
            "SELECT name, firma, fil, ip, port, namespace, type FROM kassasw WHERE id = ?"),
        {id});
    if (!row.next())
        return std::nullopt;
    return Entry{id,
                 storedToDisplay(row.value(0).toString()),
                 row.value(1).toString(),
                 row.value(2).toString(),
                 row.value(3).toString(),
                 row.value(4).toString(),
                 row.value(5).toString(),
                 row.value(6).toInt()};
}

// Takes the options given over the entry; returns what is wrong, or an empty text.
QString apply(const QHash<QString, QString> &given, Entry &entry)
{
    const auto number = [](const QString &text, int lowest, int highest) -> std::optional<int> {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        return ok && value >= lowest && value <= highest ? std::optional<int>(value) : std::nullopt;
    };
    const std::pair<QString, QString Entry::*> texts[] = {
        {QStringLiteral("name"), &Entry::name},
        {QStringLiteral("firma"), &Entry::company},
        {QStringLiteral("filiale"), &Entry::branch},
        {QStringLiteral("entry-server"), &Entry::server},
        {QStringLiteral("entry-port"), &Entry::port},
        {QStringLiteral("entry-namespace"), &Entry::nameSpace},
    };
    for (const auto &[option, member] : texts)
        if (given.contains(option))
            entry.*member = given.value(option).trimmed();
    if (given.contains(QStringLiteral("type"))) {
        const std::optional<int> type = number(given.value(QStringLiteral("type")), 0, 999);
        if (!type)
            return QStringLiteral("--type muss eine Zahl von 0 bis 999 sein");
        entry.type = *type;
    }
    if (const QString unstorable = unstorableReason(entry.name); !unstorable.isEmpty())
        return QStringLiteral("--name: ") + unstorable;
    const QString problem = serverEntryProblem(
        {entry.name, entry.company, entry.branch, entry.server, entry.port, entry.nameSpace});
    if (!problem.isEmpty())
        return problem;
    // The workstations find their company's entries by the number as kept.
    entry.company = canonicalCompany(entry.company);
    return QString();
}

void store(Session &session, const Entry &entry, bool isNew)
{
    const QVariantList values{displayToStored(entry.name),
                              entry.company,
                              entry.branch,
                              entry.server,
                              entry.port,
                              entry.nameSpace,
                              entry.type,
                              entry.id};
    session.exec(
        isNew
            ? QStringLiteral("INSERT INTO kassasw (name, firma, fil, ip, port, namespace, type, id)"
                             " VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
            : QStringLiteral("UPDATE kassasw SET name = ?, firma = ?, fil = ?, ip = ?, port = ?,"
                             " namespace = ?, type = ? WHERE id = ?"),
        values);
}

void list(Session &session, QTextStream &out)
{
    QSqlQuery rows = session.exec(QStringLiteral("SELECT id FROM kassasw ORDER BY id"));
    QVector<int> ids;
    while (rows.next())
        ids << rows.value(0).toInt();
    for (const int id : ids) {
        const Entry entry = *loadEntry(session, id);
        out << entry.id << '\t' << entry.name << '\t' << entry.company << '\t' << entry.branch
            << '\t' << entry.server << '\t' << entry.port << '\t' << entry.nameSpace << '\t'
            << entry.type << '\n';
    }
    if (ids.isEmpty())
        out << "Keine Servereinträge.\n";
}

} // namespace

int manageServerEntries(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    if (options.action == QLatin1String("list")) {
        list(session, out);
        return ExitSuccess;
    }
    bool ok = false;
    const int id = options.entry.value(QStringLiteral("id")).trimmed().toInt(&ok);
    if (!ok || id < 0 || id > 254) {
        err << "--id muss eine Zahl von 0 bis 254 sein (255 steht im Programm für \"kein "
               "Eintrag\").\n";
        return ExitFailure;
    }
    const std::optional<Entry> existing = loadEntry(session, id);
    const bool adding = options.action == QLatin1String("add");
    if (adding == existing.has_value()) {
        err << "Servereintrag " << id
            << (adding ? " gibt es schon; ändern mit \"server change\".\n" : " gibt es nicht.\n");
        return ExitFailure;
    }
    if (options.action == QLatin1String("remove")) {
        session.exec(QStringLiteral("DELETE FROM kassasw WHERE id = ?"), {id});
        out << "Servereintrag " << id << " gelöscht.\n";
        return ExitSuccess;
    }
    Entry entry = existing.value_or(Entry{id,
                                          {},
                                          {},
                                          {},
                                          session.target().host,
                                          QString::number(session.target().port),
                                          session.target().nameSpace,
                                          0});
    const QString problem = apply(options.entry, entry);
    if (!problem.isEmpty()) {
        err << problem << "; nichts gespeichert.\n";
        return ExitFailure;
    }
    store(session, entry, adding);
    out << "Servereintrag " << id << " " << (adding ? "angelegt" : "geändert") << ": " << entry.name
        << ", " << entry.server << ':' << entry.port << ", " << entry.nameSpace << '\n';
    return ExitSuccess;
}

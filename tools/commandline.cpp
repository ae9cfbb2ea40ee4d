#include "commandline.h"

#include "commandhelp.h"
#include "companynumber.h"
#include "connectiondefaults.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>

namespace {

struct OptionDef
{
    QString name;
    bool takesValue;
    QStringList commands; // empty: every command
};

const QVector<OptionDef> &optionDefs()
{
    static const QVector<OptionDef> defs = {
        {QStringLiteral("engine"), true, {}},
        {QStringLiteral("server"), true, {}},
        {QStringLiteral("port"), true, {}},
        {QStringLiteral("namespace"), true, {}},
        {QStringLiteral("force"),
         false,
         {QStringLiteral("seed"), QStringLiteral("backup"), QStringLiteral("log"),
          QStringLiteral("export")}},
        {QStringLiteral("card"), true, {QStringLiteral("book"), QStringLiteral("log")}},
        {QStringLiteral("firma"),
         true,
         {QStringLiteral("book"), QStringLiteral("bookings"), QStringLiteral("log"),
          QStringLiteral("swipes"), QStringLiteral("export"), QStringLiteral("server")}},
        {QStringLiteral("terminal"), true, {QStringLiteral("book")}},
        {QStringLiteral("kind"), true, {QStringLiteral("book")}},
        {QStringLiteral("time"), true, {QStringLiteral("book")}},
        {QStringLiteral("pnr"),
         true,
         {QStringLiteral("bookings"), QStringLiteral("log"), QStringLiteral("export")}},
        {QStringLiteral("day"), true, {QStringLiteral("log")}},
        {QStringLiteral("csv"), true, {QStringLiteral("log"), QStringLiteral("export")}},
        {QStringLiteral("xlsx"), true, {QStringLiteral("log"), QStringLiteral("export")}},
        {QStringLiteral("to"), true, {QStringLiteral("backup")}},
        {QStringLiteral("abteilungen"), true, {QStringLiteral("import")}},
        {QStringLiteral("mitarbeiter"), true, {QStringLiteral("import")}},
        {QStringLiteral("benutzer"), true, {QStringLiteral("import")}},
        {QStringLiteral("karten"), true, {QStringLiteral("import")}},
        {QStringLiteral("dry-run"), false, {QStringLiteral("import")}},
        {QStringLiteral("file"), true, {QStringLiteral("swipes")}},
        {QStringLiteral("von"), true, {QStringLiteral("export")}},
        {QStringLiteral("id"), true, {QStringLiteral("server"), QStringLiteral("reopen")}},
        {QStringLiteral("erledigt"), false, {QStringLiteral("unassigned")}},
        {QStringLiteral("name"),
         true,
         {QStringLiteral("server"), QStringLiteral("create"), QStringLiteral("company")}},
        {QStringLiteral("wj"), true, {QStringLiteral("create"), QStringLiteral("company")}},
        {QStringLiteral("filiale"), true, {QStringLiteral("server")}},
        {QStringLiteral("entry-server"), true, {QStringLiteral("server")}},
        {QStringLiteral("entry-port"), true, {QStringLiteral("server")}},
        {QStringLiteral("entry-namespace"), true, {QStringLiteral("server")}},
        {QStringLiteral("type"), true, {QStringLiteral("server")}},
        {QStringLiteral("bis"), true, {QStringLiteral("export")}},
        {QStringLiteral("watch"), true, {QStringLiteral("swipes")}},
        {QStringLiteral("from"), true, {QStringLiteral("restore")}},
        {QStringLiteral("role"), true, {QStringLiteral("grant"), QStringLiteral("site-check")}},
    };
    return defs;
}

const OptionDef *findOption(const QString &name)
{
    for (const OptionDef &def : optionDefs())
        if (def.name == name)
            return &def;
    return nullptr;
}

// A day as typed in Germany (31.01.2024) or as ISO (2024-01-31); invalid when neither.
QDate typedDate(const QString &text)
{
    const QString trimmed = text.trimmed();
    for (const QString &format : {QStringLiteral("dd.MM.yyyy"), QStringLiteral("d.M.yyyy")})
        if (const QDate german = QDate::fromString(trimmed, format); german.isValid())
            return german;
    return QDate::fromString(trimmed, QStringLiteral("yyyy-MM-dd"));
}

CommandLine failure(const QString &message)
{
    CommandLine result;
    result.outcome = CommandLine::Error;
    result.message = message;
    return result;
}

std::optional<int> portNumber(const QString &text)
{
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

// Fills engine and connection target; returns what is wrong, or an empty text.
QString resolveTarget(const QHash<QString, QString> &given, AdminOptions &options)
{
    const bool engineGiven = given.contains(QStringLiteral("engine"));
    const QString engine =
        engineGiven ? given.value(QStringLiteral("engine")) : configuredEngineName();
    const std::optional<EngineKind> kind = engineKindFromName(engine);
    if (!kind)
        return QStringLiteral("Unbekannte Datenbank-Engine \"%1\"%2: erlaubt sind sqlite und "
                              "postgres")
            .arg(engine.left(60), engineGiven
                                      ? QString()
                                      : QStringLiteral(" (KARVEN_ENGINE oder Einstellung Engine)"));
    options.engine = *kind;
    options.engineGiven = engineGiven;

    // On PostgreSQL what the options leave open is libpq's to decide, as for
    // psql: PGHOST, PGPORT, PGDATABASE, PGSERVICE and its pg_service.conf.
    const bool postgres = *kind == EngineKind::Postgres;
    const bool service = postgres && !qEnvironmentVariable("PGSERVICE").isEmpty();
    const auto fromLibpq = [&](const char *variable) {
        return service || (postgres && !qEnvironmentVariable(variable).isEmpty());
    };
    QString portText =
        given.value(QStringLiteral("port"), QString::number(ConnectionDefaults::port));
    QString portSource = QStringLiteral("--port");
    if (postgres && !given.contains(QStringLiteral("port"))) {
        portText = qEnvironmentVariable("PGPORT", QStringLiteral("5432"));
        portSource = QStringLiteral("PGPORT");
    }
    const std::optional<int> port = portNumber(portText);
    if (!port)
        return QStringLiteral("%1 \"%2\" ist keine Portnummer von 1 bis 65535")
            .arg(portSource, portText.left(40));

    const QString server =
        given.value(QStringLiteral("server"), QLatin1String(ConnectionDefaults::server));
    const QString nameSpace =
        given.value(QStringLiteral("namespace"), QLatin1String(ConnectionDefaults::nameSpace));
    std::optional<ConnectionTarget> target = parseConnectionString(
        QStringLiteral("cn_iptcp:%1[%2]:%3").arg(server).arg(*port).arg(nameSpace));
    if (!target)
        return QStringLiteral("Server \"%1\" oder Namespace \"%2\" ist ungültig (Namespace: ein "
                              "Buchstabe, dann Buchstaben, Ziffern und _)")
            .arg(server.left(60), nameSpace.left(60));
    if (!given.contains(QStringLiteral("server")) &&
        (fromLibpq("PGHOST") || fromLibpq("PGHOSTADDR")))
        target->host.clear();
    // A service file's port beats PGPORT in libpq, so only then is it left open.
    if (!given.contains(QStringLiteral("port")) && service)
        target->port = 0;
    if (!given.contains(QStringLiteral("namespace")) && fromLibpq("PGDATABASE"))
        target->databaseFromLibpq = true;
    options.target = *target;
    return QString();
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QString command;
    QString action;
    QHash<QString, QString> given;
    bool helpWanted = false;
    bool versionWanted = false;

    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            helpWanted = true;
            continue;
        }
        if (argument == QLatin1String("--version")) {
            versionWanted = true;
            continue;
        }
        if (!argument.startsWith(QLatin1Char('-'))) {
            // "server" takes what to do with the entries as its second word.
            if (command == QLatin1String("server") && action.isEmpty())
                action = argument;
            else if (!command.isEmpty())
                return failure(
                    QStringLiteral("Überzähliges Argument \"%1\"").arg(argument.left(60)));
            else
                command = argument;
            continue;
        }
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
        const OptionDef *def =
            argument.startsWith(QLatin1String("--")) ? findOption(name) : nullptr;
        if (!def)
            return failure(QStringLiteral("Unbekannte Option \"%1\"").arg(argument.left(60)));
        if (!def->takesValue) {
            if (equals >= 0)
                return failure(QStringLiteral("Option --%1 nimmt keinen Wert").arg(name));
            given.insert(name, QString());
            continue;
        }
        QString value;
        if (equals >= 0)
            value = argument.mid(equals + 1);
        else if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1String("--")))
            value = arguments.at(++i);
        if (value.trimmed().isEmpty())
            return failure(QStringLiteral("Option --%1 braucht einen Wert").arg(name));
        given.insert(name, value);
    }

    if (helpWanted || versionWanted) {
        CommandLine result;
        result.outcome = CommandLine::Help;
        if (!helpWanted)
            result.message = QStringLiteral("karven-admin " KARVEN_VERSION "\n");
        else if (commandHelp().contains(command))
            result.message = commandHelp().value(command) + QLatin1Char('\n') + commonOptionsHelp;
        else
            result.message = generalHelp();
        return result;
    }
    if (command.isEmpty())
        return failure(QStringLiteral("Kein Befehl angegeben"));
    if (!commandHelp().contains(command))
        return failure(QStringLiteral("Unbekannter Befehl \"%1\"").arg(command.left(60)));
    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        const OptionDef *def = findOption(it.key());
        if (!def->commands.isEmpty() && !def->commands.contains(command))
            return failure(
                QStringLiteral("Option --%1 gilt nicht für den Befehl %2").arg(it.key(), command));
    }
    static const QHash<QString, QStringList> required = {
        {QStringLiteral("book"), {QStringLiteral("card")}},
        {QStringLiteral("bookings"), {QStringLiteral("firma"), QStringLiteral("pnr")}},
        {QStringLiteral("backup"), {QStringLiteral("to")}},
        {QStringLiteral("export"), {QStringLiteral("von"), QStringLiteral("bis")}},
        {QStringLiteral("restore"), {QStringLiteral("from")}},
        {QStringLiteral("grant"), {QStringLiteral("role")}},
        {QStringLiteral("reopen"), {QStringLiteral("id")}},
    };
    for (const QString &name : required.value(command))
        if (!given.contains(name))
            return failure(QStringLiteral("Option --%1 fehlt").arg(name));

    if (given.contains(QStringLiteral("firma")) &&
        !isCompanyNumber(given.value(QStringLiteral("firma"))))
        return failure(QStringLiteral("--firma \"%1\" ist keine Firmennummer von 1 bis %2")
                           .arg(given.value(QStringLiteral("firma")).left(40))
                           .arg(highestCompany));

    CommandLine result;
    AdminOptions &options = result.options;
    const QString problem = resolveTarget(given, options);
    if (!problem.isEmpty())
        return failure(problem);
    options.command = command;
    options.force = given.contains(QStringLiteral("force"));
    options.card = given.value(QStringLiteral("card"));
    options.company = canonicalCompany(given.value(QStringLiteral("firma"), QStringLiteral("1")));
    options.terminal = given.value(QStringLiteral("terminal"), QStringLiteral("FIL01T1"));
    options.kind = given.value(QStringLiteral("kind"), QStringLiteral("K"));
    options.time =
        given.value(QStringLiteral("time"),
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmm")));
    options.employee = given.value(QStringLiteral("pnr"));
    for (const QString &kind : {QStringLiteral("abteilungen"), QStringLiteral("mitarbeiter"),
                                QStringLiteral("benutzer"), QStringLiteral("karten")})
        if (given.contains(kind))
            options.importFiles.insert(kind, given.value(kind));
    if (command == QLatin1String("import") && options.importFiles.isEmpty())
        return failure(
            QStringLiteral("import braucht mindestens eine Datei: --abteilungen, --mitarbeiter, "
                           "--benutzer oder --karten"));
    options.dryRun = given.contains(QStringLiteral("dry-run"));
    options.watchFolder = given.value(QStringLiteral("watch"));
    options.companyGiven = given.contains(QStringLiteral("firma"));
    if (command == QLatin1String("server")) {
        static const QStringList actions = {QStringLiteral("list"), QStringLiteral("add"),
                                            QStringLiteral("change"), QStringLiteral("remove")};
        if (!actions.contains(action))
            return failure(QStringLiteral("server braucht list, add, change oder remove"));
        if (action != QLatin1String("list") && !given.contains(QStringLiteral("id")))
            return failure(QStringLiteral("Option --id fehlt"));
        options.action = action;
        for (const QString &name : {QStringLiteral("id"), QStringLiteral("name"),
                                    QStringLiteral("firma"), QStringLiteral("filiale"),
                                    QStringLiteral("entry-server"), QStringLiteral("entry-port"),
                                    QStringLiteral("entry-namespace"), QStringLiteral("type")})
            if (given.contains(name))
                options.entry.insert(name, given.value(name));
    } else if (!action.isEmpty()) {
        return failure(QStringLiteral("Überzähliges Argument \"%1\"").arg(action.left(60)));
    }
    options.role = given.value(QStringLiteral("role"));
    options.takenOff = given.contains(QStringLiteral("erledigt"));
    if (command == QLatin1String("reopen")) {
        bool isNumber = false;
        options.swipeId = given.value(QStringLiteral("id")).trimmed().toLongLong(&isNumber);
        if (!isNumber || options.swipeId <= 0)
            return failure(QStringLiteral("--id \"%1\" ist keine Buchungsnummer")
                               .arg(given.value(QStringLiteral("id")).left(40)));
    }
    for (const auto &[name, day] : {std::pair{QStringLiteral("von"), &options.periodStart},
                                    std::pair{QStringLiteral("bis"), &options.periodEnd},
                                    std::pair{QStringLiteral("day"), &options.day}}) {
        if (!given.contains(name))
            continue;
        const QDate date = typedDate(given.value(name));
        if (!date.isValid())
            return failure(QStringLiteral("--%1 \"%2\" ist kein Tag (TT.MM.JJJJ oder JJJJ-MM-TT)")
                               .arg(name, given.value(name).left(40)));
        *day = date.toString(Qt::ISODate);
    }
    if (options.periodStart > options.periodEnd)
        return failure(QStringLiteral("--bis liegt vor --von"));
    if (command == QLatin1String("swipes") &&
        given.contains(QStringLiteral("file")) == given.contains(QStringLiteral("watch")))
        return failure(QStringLiteral("swipes braucht entweder --file DATEI oder --watch ORDNER"));
    if (command == QLatin1String("create") || command == QLatin1String("company")) {
        options.companyName = given.value(QStringLiteral("name")).trimmed();
        options.wj = given.value(QStringLiteral("wj")).trimmed();
    }
    static const QHash<QString, QString> fileOption = {
        {QStringLiteral("backup"), QStringLiteral("to")},
        {QStringLiteral("restore"), QStringLiteral("from")},
        {QStringLiteral("log"), QStringLiteral("csv")},
        {QStringLiteral("swipes"), QStringLiteral("file")},
        {QStringLiteral("export"), QStringLiteral("csv")}};
    options.file = given.value(fileOption.value(command));
    options.xlsxFile = given.value(QStringLiteral("xlsx"));
    if (command == QLatin1String("export") && options.file.isEmpty() && options.xlsxFile.isEmpty())
        return failure(QStringLiteral("export braucht --csv DATEI, --xlsx DATEI oder beide"));
    if (!options.file.isEmpty() && QFileInfo(options.file).absoluteFilePath() ==
                                       QFileInfo(options.xlsxFile).absoluteFilePath())
        return failure(QStringLiteral("--csv und --xlsx nennen dieselbe Datei"));
    result.outcome = CommandLine::Run;
    return result;
}

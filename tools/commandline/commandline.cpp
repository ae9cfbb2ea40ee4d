#include "tools/commandline/commandline.h"

#include "cacheapi/objects/companynumber.h"
#include "settings/connectiondefaults.h"
#include "tools/commandline/commandhelp.h"
#include "tools/commandline/commandsyntax.h"
#include "tools/commandline/commandtable.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace {

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

// Takes a given option's value into options; returns what is wrong with it, or an empty text.
QString takeValue(const CommandOption &option, const QString &value, AdminOptions &options)
{
    if (option.rules & ServerEntry)
        options.entry.insert(option.name, value);
    switch (option.value) {
    case OptionValue::Switch:
        options.*option.flag = true;
        break;
    case OptionValue::Text:
        if (option.field)
            options.*option.field = value;
        break;
    case OptionValue::Trimmed:
        options.*option.field = value.trimmed();
        break;
    case OptionValue::Company:
        if (!isCompanyNumber(value))
            return QStringLiteral("--%1 \"%2\" ist keine Firmennummer von 1 bis %3")
                .arg(option.name, value.left(40))
                .arg(highestCompany);
        options.company = canonicalCompany(value);
        options.companyGiven = true;
        break;
    case OptionValue::Day:
        if (const QDate date = typedDate(value); date.isValid())
            options.*option.field = date.toString(Qt::ISODate);
        else
            return QStringLiteral("--%1 \"%2\" ist kein Tag (TT.MM.JJJJ oder JJJJ-MM-TT)")
                .arg(option.name, value.left(40));
        break;
    case OptionValue::SwipeNumber: {
        bool isNumber = false;
        options.swipeId = value.trimmed().toLongLong(&isNumber);
        if (!isNumber || options.swipeId <= 0)
            return QStringLiteral("--%1 \"%2\" ist keine Buchungsnummer")
                .arg(option.name, value.left(40));
        break;
    }
    case OptionValue::ImportFile:
        options.importFiles.insert(option.name, value);
        break;
    }
    return QString();
}

// What the options given to a command lack as a whole; empty when nothing.
QString unmetNeed(const AdminCommand &command, const QHash<QString, QString> &given)
{
    for (const OptionGroup &group : command.groups) {
        const auto count = std::count_if(group.names.cbegin(), group.names.cend(),
                                         [&](const QString &name) { return given.contains(name); });
        if (count == 0 || (group.need == OptionGroup::ExactlyOne && count > 1))
            return group.missing;
    }
    // A second name for the same file would leave one of the two written over.
    QStringList written;
    for (const CommandOption &option : command.options) {
        if (!(option.rules & WritesFile) || !given.contains(option.name))
            continue;
        const QString path = QFileInfo(given.value(option.name)).absoluteFilePath();
        for (const QString &earlier : written)
            if (QFileInfo(given.value(earlier)).absoluteFilePath() == path)
                return QStringLiteral("--%1 und --%2 nennen dieselbe Datei")
                    .arg(earlier, option.name);
        written << option.name;
    }
    return QString();
}

// The action word of a command that takes one, checked with the options it needs.
QString takeAction(const AdminCommand &command, const QString &word,
                   const QHash<QString, QString> &given, AdminOptions &options)
{
    for (const CommandAction &action : command.actions) {
        if (action.word != word)
            continue;
        for (const QString &name : action.required)
            if (!given.contains(name))
                return QStringLiteral("Option --%1 fehlt").arg(name);
        options.action = word;
        return QString();
    }
    return command.actionMissing;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    const CommandSyntax syntax = readSyntax(arguments);
    if (!syntax.problem.isEmpty())
        return failure(syntax.problem);
    const QString name = syntax.words.value(0);
    const AdminCommand *command = findCommand(name);

    // Having passed readSyntax, the arguments fail Qt's parser only with
    // options that another command knows.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({help, version});
    const QVector<CommandOption> options = optionsOf(command);
    for (const CommandOption &option : options)
        parser.addOption(QCommandLineOption(option.name, QString(), option.valueName));
    const bool known = parser.parse(arguments);

    if (parser.isSet(help) || parser.isSet(version)) {
        CommandLine result;
        result.outcome = CommandLine::Help;
        result.message = parser.isSet(help) ? helpOf(command)
                                            : QStringLiteral("karven-admin " KARVEN_VERSION "\n");
        return result;
    }
    if (name.isEmpty())
        return failure(QStringLiteral("Kein Befehl angegeben"));
    if (!command)
        return failure(QStringLiteral("Unbekannter Befehl \"%1\"").arg(name.left(60)));
    if (!known)
        return failure(QStringLiteral("Option --%1 gilt nicht für den Befehl %2")
                           .arg(parser.unknownOptionNames().constFirst(), name));

    QHash<QString, QString> given;
    for (const CommandOption &option : options)
        if (parser.isSet(option.name))
            given.insert(option.name, parser.value(option.name));
    for (const CommandOption &option : command->options)
        if ((option.rules & Required) && !given.contains(option.name))
            return failure(QStringLiteral("Option --%1 fehlt").arg(option.name));

    CommandLine result;
    AdminOptions &taken = result.options;
    taken.command = name;
    for (const CommandOption &option : command->options) {
        if (!given.contains(option.name))
            continue;
        if (const QString problem = takeValue(option, given.value(option.name), taken);
            !problem.isEmpty())
            return failure(problem);
    }
    if (const QString problem = resolveTarget(given, taken); !problem.isEmpty())
        return failure(problem);
    if (!command->actions.isEmpty())
        if (const QString problem = takeAction(*command, syntax.words.value(1), given, taken);
            !problem.isEmpty())
            return failure(problem);
    if (taken.periodStart > taken.periodEnd)
        return failure(QStringLiteral("--bis liegt vor --von"));
    if (const QString problem = unmetNeed(*command, given); !problem.isEmpty())
        return failure(problem);
    result.outcome = CommandLine::Run;
    return result;
}

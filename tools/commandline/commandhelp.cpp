#include "tools/commandline/commandhelp.h"

#include "tools/commandline/commandtable.h"

const QString commonOptionsHelp = QStringLiteral(
    "Gemeinsame Optionen:\n"
    "  --engine sqlite|postgres  Datenbank-Engine (Vorgabe: KARVEN_ENGINE, sonst die\n"
    "                            Einstellung Engine, sonst sqlite)\n"
    "  --server HOST             Server (Vorgabe: localhost; bei postgres PGHOST oder\n"
    "                            der Dienst aus PGSERVICE, sonst localhost)\n"
    "  --port N                  Port (Vorgabe: 1973; bei postgres PGPORT oder der\n"
    "                            Dienst aus PGSERVICE, sonst 5432)\n"
    "  --namespace NS            Namespace (Vorgabe: KARVEN; bei postgres PGDATABASE\n"
    "                            oder der Dienst aus PGSERVICE, sonst KARVEN)\n"
    "  --help, -h                diese Hilfe\n"
    "  --version                 Versionsnummer\n"
    "\n"
    "SQLite-Datenbanken liegen im Datenordner (KARVEN_DATA_DIR, sonst der Benutzerordner).\n"
    "Exit-Status: 0 erledigt, 1 Vorgang fehlgeschlagen oder abgelehnt, 2 falscher Aufruf.\n");

namespace {

// Each command with its summary, the summary's further lines under its first.
QString commandList()
{
    QString list;
    for (const AdminCommand &command : adminCommands())
        list +=
            QStringLiteral("  ") + command.name.leftJustified(12) +
            QString(command.summary)
                .replace(QLatin1Char('\n'), QStringLiteral("\n") + QString(14, QLatin1Char(' '))) +
            QLatin1Char('\n');
    return list;
}

} // namespace

QString generalHelp()
{
    return QStringLiteral("Aufruf: karven-admin BEFEHL [Optionen]\n\n"
                          "Verwaltet die Datenbank der KARVEN-Kartenzuordnung.\n\n"
                          "Befehle:\n") +
           commandList() +
           QStringLiteral("\n"
                          "\"karven-admin BEFEHL --help\" zeigt die Optionen eines Befehls.\n\n") +
           commonOptionsHelp;
}

QString helpOf(const AdminCommand *command)
{
    return command ? command->help + QLatin1Char('\n') + commonOptionsHelp : generalHelp();
}

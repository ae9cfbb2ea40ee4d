#include "commandline.h"

#include "companynumber.h"

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
        {QStringLiteral("name"), true, {QStringLiteral("server")}},
        {QStringLiteral("filiale"), true, {QStringLiteral("server")}},
        {QStringLiteral("entry-server"), true, {QStringLiteral("server")}},
        {QStringLiteral("entry-port"), true, {QStringLiteral("server")}},
        {QStringLiteral("entry-namespace"), true, {QStringLiteral("server")}},
        {QStringLiteral("type"), true, {QStringLiteral("server")}},
        {QStringLiteral("bis"), true, {QStringLiteral("export")}},
        {QStringLiteral("watch"), true, {QStringLiteral("swipes")}},
        {QStringLiteral("from"), true, {QStringLiteral("restore")}},
        {QStringLiteral("role"), true, {QStringLiteral("grant")}},
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

const QString commonOptionsHelp = QStringLiteral(
    "Gemeinsame Optionen:\n"
    "  --engine sqlite|postgres  Datenbank-Engine (Vorgabe: KARVEN_ENGINE, sonst die\n"
    "                            Einstellung Engine, sonst sqlite)\n"
    "  --server HOST             Server (Vorgabe: localhost)\n"
    "  --port N                  Port (Vorgabe: 1973; bei postgres PGPORT, sonst 5432)\n"
    "  --namespace NS            Namespace (Vorgabe: KARVEN)\n"
    "  --help, -h                diese Hilfe\n"
    "  --version                 Versionsnummer\n"
    "\n"
    "SQLite-Datenbanken liegen im Datenordner (KARVEN_DATA_DIR, sonst der Benutzerordner).\n"
    "Exit-Status: 0 erledigt, 1 Vorgang fehlgeschlagen oder abgelehnt, 2 falscher Aufruf.\n");

const QHash<QString, QString> &commandHelp()
{
    static const QHash<QString, QString> help = {
        {QStringLiteral("create"),
         QStringLiteral("Aufruf: karven-admin create [Optionen]\n\n"
                        "Legt die Datenbank des Namespace mit ihren Tabellen an.\n"
                        "Eine vorhandene Datenbank bleibt unverändert.\n")},
        {QStringLiteral("seed"),
         QStringLiteral(
             "Aufruf: karven-admin seed [--force] [Optionen]\n\n"
             "Legt die Datenbank an und füllt sie mit Demodaten. Enthält sie schon\n"
             "Personaldaten, wird das abgelehnt, außer mit --force: dann ersetzen die\n"
             "Demodaten den Inhalt der Personal-, Karten-, Buchungs- und Servertabellen.\n"
             "Demo-Anmeldung: Firma 1, Filiale 0, Benutzer ADM, Passwort karven.\n")},
        {QStringLiteral("book"),
         QStringLiteral("Aufruf: karven-admin book --card KARTE [Optionen]\n\n"
                        "Bucht eine Karte wie eine Stempeluhr der Filiale: gehört die Karte einem\n"
                        "Mitarbeiter der Firma, wird es seine Zeitbuchung, sonst eine nicht\n"
                        "zugeordnete Buchung.\n\n"
                        "  --card KARTE        Kartennummer, 1 bis 10 Zeichen\n"
                        "  --firma F           Firma (Vorgabe: 1)\n"
                        "  --terminal NAME     Terminal, bis 8 Zeichen (Vorgabe: FIL01T1)\n"
                        "  --kind K|G          K Kommen, G Gehen (Vorgabe: K)\n"
                        "  --time ZEIT         yyyymmddhhmm (Vorgabe: jetzt)\n")},
        {QStringLiteral("unassigned"),
         QStringLiteral(
             "Aufruf: karven-admin unassigned [Optionen]\n\n"
             "Listet die nicht zugeordneten Buchungen in der Reihenfolge ihres\n"
             "Eingangs: Id, Firma und Buchungstext, durch Tabulatoren getrennt.\n\n"
             "  --erledigt          statt der offenen die Buchungen, die ein Arbeitsplatz\n"
             "                      ohne Zuordnung von der Liste genommen hat: Id, Firma,\n"
             "                      Zeitpunkt, Benutzer, Arbeitsplatz und Buchungstext\n")},
        {QStringLiteral("reopen"),
         QStringLiteral("Aufruf: karven-admin reopen --id N [Optionen]\n\n"
                        "Nimmt eine Buchung, die ein Arbeitsplatz ohne Zuordnung von der Liste\n"
                        "genommen hat, wieder in die Liste der nicht zugeordneten Buchungen auf.\n"
                        "Die Nummern zeigt \"karven-admin unassigned --erledigt\".\n")},
        {QStringLiteral("bookings"),
         QStringLiteral("Aufruf: karven-admin bookings --firma F --pnr N [Optionen]\n\n"
                        "Listet die Zeitbuchungen eines Mitarbeiters nach Zeitpunkt: Id,\n"
                        "Zeitpunkt, Karte und Buchungstext, durch Tabulatoren getrennt.\n")},
        {QStringLiteral("log"),
         QStringLiteral(
             "Aufruf: karven-admin log [--firma F] [--card KARTE] [--pnr N] [--day JJJJ-MM-TT]\n"
             "                        [--csv DATEI] [--xlsx DATEI] [--force] [Optionen]\n\n"
             "Zeigt das Protokoll der Kartenzuordnungen einer Firma, älteste zuerst: Nr,\n"
             "Zeitpunkt, Firma, Karte, bisheriger und neuer Mitarbeiter, Art (Zuordnung\n"
             "oder Wechsel), wer zugeordnet hat, die dabei gebuchten und die vom bisherigen\n"
             "Mitarbeiter umgebuchten nicht zugeordneten Buchungen; durch Tabulatoren getrennt.\n\n"
             "  --firma F           Firma (Vorgabe: 1)\n"
             "  --card KARTE        nur diese Karte\n"
             "  --pnr N             nur Zuordnungen an oder weg von diesem Mitarbeiter\n"
             "  --day JJJJ-MM-TT    nur Zuordnungen dieses Tages\n"
             "  --csv DATEI         als CSV-Datei für eine Tabellenkalkulation schreiben\n"
             "                      (Semikolon, UTF-8); eine vorhandene Datei nur mit --force\n"
             "  --xlsx DATEI        als Excel-Arbeitsmappe schreiben, Zeitpunkte als Datum\n"
             "                      und Uhrzeit, Nummern als Text; auch mit --csv zusammen\n")},
        {QStringLiteral("check"),
         QStringLiteral("Aufruf: karven-admin check [Optionen]\n\n"
                        "Prüft die Datenbank des Namespace und ändert nichts: SQLites\n"
                        "Integritätsprüfung, die Schemaversion und die Zahl der Einträge je\n"
                        "Tabelle. Exit-Status 1, wenn die Datenbank beschädigt ist.\n")},
        {QStringLiteral("import"),
         QStringLiteral(
             "Aufruf: karven-admin import [--abteilungen DATEI] [--mitarbeiter DATEI]\n"
             "                           [--benutzer DATEI] [--karten DATEI] [--dry-run] "
             "[Optionen]\n\n"
             "Übernimmt Stammdaten aus CSV-Dateien (Semikolon, Kopfzeile mit den Spaltennamen,\n"
             "UTF-8 oder Windows-1252), in dieser Reihenfolge. Jede Datei ganz oder gar nicht;\n"
             "dieselbe Datei ein zweites Mal ändert nichts. Bei einem Fehler werden alle\n"
             "fehlerhaften Zeilen genannt und nichts aus der Datei gespeichert.\n\n"
             "  abteilungen  Firma; Abteilung; Bezeichnung [; Hauptabteilung]\n"
             "  mitarbeiter  Firma; Personalnummer; Name; Vorname [; Abteilung; Aktiv; E-Mail; "
             "Fax]\n"
             "  benutzer     Firma; Kürzel; Passwort; Abteilung [; Aktiv; Personalnummer; Name;\n"
             "               Durchwahl; Berechtigungsgruppe]\n"
             "  karten       Firma; Karte; Personalnummer\n\n"
             "Aktiv ist J oder N (fehlt die Spalte, sind neue Einträge aktiv).\n"
             "  --dry-run    nur prüfen und zählen, nichts speichern\n")},
        {QStringLiteral("config"),
         QStringLiteral(
             "Aufruf: karven-admin config [--engine sqlite|postgres]\n\n"
             "Zeigt, welche Datenbank-Engine das Programm für diesen Benutzer nimmt und\n"
             "woher die Wahl kommt. Mit --engine wird sie in den Einstellungen des Programms\n"
             "gespeichert (~/.config/KARVEN/KARVEN.conf), so dass auch ein Start aus dem\n"
             "Anwendungsmenü sie nimmt. KARVEN_ENGINE geht weiterhin vor.\n")},
        {QStringLiteral("grant"),
         QStringLiteral(
             "Aufruf: karven-admin grant --role ROLLE [Optionen]\n\n"
             "Gibt einer vorhandenen PostgreSQL-Rolle, was ein Arbeitsplatz braucht: sich\n"
             "mit der Datenbank verbinden und die Serverfunktionen des Programms aufrufen.\n"
             "Tabellen darf die Rolle weder lesen noch ändern. Läuft mit der\n"
             "Eigentümerrolle; die Rolle eines Arbeitsplatzes legt ein Administrator\n"
             "vorher mit psql an (CREATE ROLE ... LOGIN PASSWORD ...).\n\n"
             "  --role ROLLE        die Rolle der Arbeitsplätze\n")},
        {QStringLiteral("server"),
         QStringLiteral(
             "Aufruf: karven-admin server list [Optionen]\n"
             "        karven-admin server add --id N --name NAME --firma F --filiale N [Eintrag] "
             "[Optionen]\n"
             "        karven-admin server change --id N [--name NAME] [--firma F] [--filiale N] "
             "[Eintrag]\n"
             "        karven-admin server remove --id N [Optionen]\n\n"
             "Pflegt die Einträge der Serverliste, die das Programm im Fenster \"KARVEN Server\"\n"
             "zeigt und von denen ein Arbeitsplatz seinen Standardserver wählt.\n\n"
             "  --id N                  Nummer des Eintrags, 0 bis 254\n"
             "  --name NAME             Name, wie ihn die Liste zeigt\n"
             "  --firma F, --filiale N  Firma und Filiale des Eintrags\n"
             "  --type T                Art des Eintrags (Vorgabe 0; die Liste zeigt nur Art 0)\n"
             "Eintrag: wohin der Eintrag zeigt; ohne Angabe der Server, Port und Namespace,\n"
             "mit denen karven-admin selbst verbunden ist (--server, --port, --namespace):\n"
             "  --entry-server HOST  --entry-port N  --entry-namespace NS\n")},
        {QStringLiteral("export"),
         QStringLiteral(
             "Aufruf: karven-admin export --von JJJJ-MM-TT --bis JJJJ-MM-TT\n"
             "                           --csv DATEI | --xlsx DATEI (oder beide)\n"
             "                           [--firma F] [--pnr N] [--force] [Optionen]\n\n"
             "Schreibt die Zeitbuchungen eines Zeitraums für die Lohnabrechnung in eine\n"
             "CSV-Datei für Lohnprogramme (Semikolon, UTF-8 mit BOM) und/oder eine\n"
             "Excel-Arbeitsmappe (Datum und Uhrzeit als solche, Nummern als Text):\n"
             "Firma, Personalnummer, Name, Vorname, Datum, Uhrzeit, Art (Kommen/Gehen),\n"
             "Terminal, Karte; nach Firma, Mitarbeiter und Zeit geordnet.\n\n"
             "  --von, --bis    erster und letzter Tag, beide eingeschlossen\n"
             "  --firma F       nur diese Firma (sonst alle)\n"
             "  --pnr N         nur dieser Mitarbeiter\n"
             "  --force         vorhandene Dateien ersetzen\n")},
        {QStringLiteral("swipes"),
         QStringLiteral(
             "Aufruf: karven-admin swipes --file DATEI [--firma F] [Optionen]\n"
             "        karven-admin swipes --watch ORDNER [--firma F] [Optionen]\n\n"
             "Bucht die Stempelungen einer Stempeluhr-Datei wie die Stempeluhr selbst: CSV\n"
             "mit Kopfzeile [Firma;] Terminal; Karte; Art; Datum; Uhrzeit (Art K oder G,\n"
             "Datum TT.MM.JJJJ, Uhrzeit HH:MM). Eine Datei mit einer fehlerhaften Zeile bucht\n"
             "nichts; sonst wird sie in Portionen gebucht, jede für sich. Was schon gebucht\n"
             "ist, wird nicht noch einmal gebucht: eine abgebrochene Datei noch einmal\n"
             "einlesen bucht den Rest.\n\n"
             "  --file DATEI     eine Datei einlesen\n"
             "  --watch ORDNER   Dateien (*.csv) lesen, die Stempeluhren dort ablegen, bis\n"
             "                   SIGTERM: jede, sobald sie fertig ist (unverändert über zwei\n"
             "                   Runden, mit Zeilenumbruch am Ende); danach liegen sie in\n"
             "                   ORDNER/erledigt, fehlerhafte in ORDNER/fehler mit einer\n"
             "                   Datei .fehler.txt\n"
             "  --firma F        Firma der Stempelungen ohne Spalte Firma (Vorgabe: 1)\n")},
        {QStringLiteral("backup"),
         QStringLiteral("Aufruf: karven-admin backup --to DATEI [--force] [Optionen]\n\n"
                        "Sichert die SQLite-Datenbank des Namespace in DATEI, auch während das\n"
                        "Programm läuft: der Stand eines Augenblicks, ohne halbe Änderungen.\n"
                        "Eine vorhandene DATEI wird nur mit --force überschrieben.\n"
                        "Für PostgreSQL ist pg_dump das Werkzeug.\n")},
        {QStringLiteral("restore"),
         QStringLiteral(
             "Aufruf: karven-admin restore --from DATEI [Optionen]\n\n"
             "Ersetzt den Inhalt der SQLite-Datenbank des Namespace durch die Sicherung\n"
             "in DATEI, auch während das Programm läuft. DATEI muss eine KARVEN-Datenbank\n"
             "sein, höchstens von der Version dieses Programms, sonst bleibt alles\n"
             "unverändert; eine ältere wird auf den aktuellen Stand gebracht. Die ersetzte\n"
             "Datenbank bleibt als Kopie daneben liegen (die Ausgabe nennt sie), und neue\n"
             "Einträge bekommen Nummern über allen, die sie schon vergeben hatte.\n"
             "Für PostgreSQL sind pg_restore und psql das Werkzeug.\n")},
    };
    return help;
}

QString generalHelp()
{
    return QStringLiteral(
               "Aufruf: karven-admin BEFEHL [Optionen]\n\n"
               "Verwaltet die Datenbank der KARVEN-Kartenzuordnung.\n\n"
               "Befehle:\n"
               "  create      Datenbank des Namespace anlegen\n"
               "  seed        Datenbank anlegen und mit Demodaten füllen\n"
               "  book        eine Karte buchen, wie es eine Stempeluhr tut\n"
               "  unassigned  nicht zugeordnete Buchungen auflisten\n"
               "  reopen      eine von der Liste genommene Buchung wieder aufnehmen\n"
               "  bookings    Zeitbuchungen eines Mitarbeiters auflisten\n"
               "  import      Stammdaten aus CSV-Dateien übernehmen\n"
               "  swipes      Stempeluhr-Dateien einlesen, auch laufend aus einem Ordner\n"
               "  export      Zeitbuchungen eines Zeitraums für die Lohnabrechnung (CSV, xlsx)\n"
               "  server      Einträge der Serverliste zeigen, anlegen, ändern, löschen\n"
               "  config      Datenbank-Engine des Programms für diesen Benutzer festlegen\n"
               "  grant       einer PostgreSQL-Rolle geben, was ein Arbeitsplatz darf\n"
               "  log         Protokoll der Kartenzuordnungen zeigen oder als CSV/xlsx schreiben\n"
               "  check       Datenbank prüfen (Integrität, Version, Einträge)\n"
               "  backup      SQLite-Datenbank in eine Datei sichern\n"
               "  restore     SQLite-Datenbank aus einer Sicherung wiederherstellen\n\n"
               "\"karven-admin BEFEHL --help\" zeigt die Optionen eines Befehls.\n\n") +
           commonOptionsHelp;
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

    QString portText = given.value(QStringLiteral("port"));
    QString portSource = QStringLiteral("--port");
    if (!given.contains(QStringLiteral("port"))) {
        portText = QStringLiteral("1973");
        if (*kind == EngineKind::Postgres) {
            portText = qEnvironmentVariable("PGPORT", QStringLiteral("5432"));
            portSource = QStringLiteral("PGPORT");
        }
    }
    const std::optional<int> port = portNumber(portText);
    if (!port)
        return QStringLiteral("%1 \"%2\" ist keine Portnummer von 1 bis 65535")
            .arg(portSource, portText.left(40));

    const QString server = given.value(QStringLiteral("server"), QStringLiteral("localhost"));
    const QString nameSpace = given.value(QStringLiteral("namespace"), QStringLiteral("KARVEN"));
    const std::optional<ConnectionTarget> target = parseConnectionString(
        QStringLiteral("cn_iptcp:%1[%2]:%3").arg(server).arg(*port).arg(nameSpace));
    if (!target)
        return QStringLiteral("Server \"%1\" oder Namespace \"%2\" ist ungültig (Namespace: ein "
                              "Buchstabe, dann Buchstaben, Ziffern und _)")
            .arg(server.left(60), nameSpace.left(60));
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
    options.periodStart = given.value(QStringLiteral("von"));
    options.periodEnd = given.value(QStringLiteral("bis"));
    for (const QString &day : {options.periodStart, options.periodEnd})
        if (!day.isEmpty() && !QDate::fromString(day, Qt::ISODate).isValid())
            return failure(
                QStringLiteral("\"%1\" ist kein Tag im Format JJJJ-MM-TT").arg(day.left(40)));
    if (options.periodStart > options.periodEnd)
        return failure(QStringLiteral("--bis liegt vor --von"));
    if (command == QLatin1String("swipes") &&
        given.contains(QStringLiteral("file")) == given.contains(QStringLiteral("watch")))
        return failure(QStringLiteral("swipes braucht entweder --file DATEI oder --watch ORDNER"));
    options.day = given.value(QStringLiteral("day"));
    if (!options.day.isEmpty() && !QDate::fromString(options.day, Qt::ISODate).isValid())
        return failure(QStringLiteral("--day \"%1\" ist kein Tag im Format JJJJ-MM-TT")
                           .arg(options.day.left(40)));
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

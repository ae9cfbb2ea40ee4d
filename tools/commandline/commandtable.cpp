#include "tools/commandline/commandtable.h"

#include "tools/admincommands.h"
#include "tools/assignmentlog.h"
#include "tools/backup/databasebackup.h"
#include "tools/companyrecord.h"
#include "tools/import/importcommand.h"
#include "tools/payrollexport.h"
#include "tools/serverentries.h"
#include "tools/sitecheck.h"

#include <algorithm>

namespace {

CommandOption text(const char *name, const char *valueName, QString AdminOptions::*field,
                   int rules = Optional)
{
    return {QString::fromUtf8(name),
            QString::fromUtf8(valueName),
            OptionValue::Text,
            field,
            nullptr,
            rules};
}

CommandOption trimmed(const char *name, const char *valueName, QString AdminOptions::*field)
{
    return {QString::fromUtf8(name), QString::fromUtf8(valueName), OptionValue::Trimmed, field};
}

CommandOption day(const char *name, QString AdminOptions::*field, int rules = Optional)
{
    return {
        QString::fromUtf8(name), QStringLiteral("TAG"), OptionValue::Day, field, nullptr, rules};
}

CommandOption toggle(const char *name, bool AdminOptions::*flag)
{
    return {QString::fromUtf8(name), QString(), OptionValue::Switch, nullptr, flag};
}

CommandOption company(int rules = Optional)
{
    return {QStringLiteral("firma"),
            QStringLiteral("F"),
            OptionValue::Company,
            nullptr,
            nullptr,
            rules};
}

CommandOption importFile(const char *name)
{
    return {QString::fromUtf8(name), QStringLiteral("DATEI"), OptionValue::ImportFile};
}

// An option of a server list entry, checked when the entry is stored.
CommandOption entryPart(const char *name, const char *valueName)
{
    return text(name, valueName, nullptr, ServerEntry);
}

const CommandOption force = toggle("force", &AdminOptions::force);
const CommandOption pnr = text("pnr", "N", &AdminOptions::employee);
const CommandOption csvFile = text("csv", "DATEI", &AdminOptions::file, WritesFile);
const CommandOption xlsxFile = text("xlsx", "DATEI", &AdminOptions::xlsxFile, WritesFile);
const QVector<CommandOption> companyRecord = {
    trimmed("name", "FIRMENNAME", &AdminOptions::companyName),
    trimmed("wj", "JJJJ", &AdminOptions::wj)};

} // namespace

const QVector<AdminCommand> &adminCommands()
{
    static const QVector<AdminCommand> commands = {
        {QStringLiteral("create"), QStringLiteral("Datenbank des Namespace anlegen"),
         QStringLiteral(
             "Aufruf: karven-admin create [Optionen]\n\n"
             "Legt die Datenbank des Namespace mit ihren Tabellen an.\n"
             "Eine vorhandene Datenbank wird auf den Stand dieses Programms gebracht,\n"
             "ihre Daten bleiben.\n\n"
             "  --name FIRMENNAME   Name der Firma für den Firmeneintrag\n"
             "  --wj JJJJ           Wirtschaftsjahr für den Firmeneintrag\n\n"
             "Jeder Arbeitsplatz liest beim Start den Firmeneintrag. Eine neue Datenbank\n"
             "braucht deshalb --name und --wj; ohne sie lehnt create ab, außer die\n"
             "Datenbank hat schon einen Firmeneintrag (Update einer Filiale).\n"),
         companyRecord, createSite},
        {QStringLiteral("company"),
         QStringLiteral("Firmeneintrag (Firmenname, Wirtschaftsjahr) zeigen oder ändern"),
         QStringLiteral(
             "Aufruf: karven-admin company [--name FIRMENNAME] [--wj JJJJ] [Optionen]\n\n"
             "Zeigt den Firmeneintrag (Firmenname und Wirtschaftsjahr WJ), den jeder\n"
             "Arbeitsplatz beim Start liest; mit --name oder --wj wird er geändert,\n"
             "mit --wj z. B. zum Jahreswechsel.\n\n"
             "  --name FIRMENNAME   Name der Firma, 1 bis 60 Zeichen\n"
             "  --wj JJJJ           Wirtschaftsjahr, vierstellig\n"),
         companyRecord, manageCompanyRecord},
        {QStringLiteral("seed"),
         QStringLiteral("Datenbank anlegen und mit Demodaten füllen"),
         QStringLiteral(
             "Aufruf: karven-admin seed [--force] [Optionen]\n\n"
             "Legt die Datenbank an und füllt sie mit Demodaten. Enthält sie schon\n"
             "Personaldaten, wird das abgelehnt, außer mit --force: dann ersetzen die\n"
             "Demodaten den Inhalt der Personal-, Karten-, Buchungs- und Servertabellen.\n"
             "Demo-Anmeldung: Firma 1, Filiale 0, Benutzer ADM, Passwort karven.\n"),
         {force},
         seedDemo},
        {QStringLiteral("book"),
         QStringLiteral("eine Karte buchen, wie es eine Stempeluhr tut"),
         QStringLiteral("Aufruf: karven-admin book --card KARTE [Optionen]\n\n"
                        "Bucht eine Karte wie eine Stempeluhr der Filiale: gehört die Karte einem\n"
                        "Mitarbeiter der Firma, wird es seine Zeitbuchung, sonst eine nicht\n"
                        "zugeordnete Buchung.\n\n"
                        "  --card KARTE        Kartennummer, 1 bis 10 Zeichen\n"
                        "  --firma F           Firma (Vorgabe: 1)\n"
                        "  --terminal NAME     Terminal, bis 8 Zeichen (Vorgabe: FIL01T1)\n"
                        "  --kind K|G          K Kommen, G Gehen (Vorgabe: K)\n"
                        "  --time ZEIT         yyyymmddhhmm (Vorgabe: jetzt)\n"),
         {text("card", "KARTE", &AdminOptions::card, Required), company(),
          text("terminal", "NAME", &AdminOptions::terminal),
          text("kind", "K|G", &AdminOptions::kind),
          text("time", "yyyymmddhhmm", &AdminOptions::time)},
         bookAsTimeClock},
        {QStringLiteral("unassigned"),
         QStringLiteral("nicht zugeordnete Buchungen auflisten"),
         QStringLiteral(
             "Aufruf: karven-admin unassigned [Optionen]\n\n"
             "Listet die nicht zugeordneten Buchungen in der Reihenfolge ihres\n"
             "Eingangs: Id, Firma und Buchungstext, durch Tabulatoren getrennt.\n\n"
             "  --erledigt          statt der offenen die Buchungen, die ein Arbeitsplatz\n"
             "                      ohne Zuordnung von der Liste genommen hat: Id, Firma,\n"
             "                      Zeitpunkt, Benutzer, Arbeitsplatz und Buchungstext\n"),
         {toggle("erledigt", &AdminOptions::takenOff)},
         listUnassigned},
        {QStringLiteral("reopen"),
         QStringLiteral("eine von der Liste genommene Buchung wieder aufnehmen"),
         QStringLiteral("Aufruf: karven-admin reopen --id N [Optionen]\n\n"
                        "Nimmt eine Buchung, die ein Arbeitsplatz ohne Zuordnung von der Liste\n"
                        "genommen hat, wieder in die Liste der nicht zugeordneten Buchungen auf.\n"
                        "Die Nummern zeigt \"karven-admin unassigned --erledigt\".\n"),
         {{QStringLiteral("id"), QStringLiteral("N"), OptionValue::SwipeNumber, nullptr, nullptr,
           Required}},
         reopenTakenOff},
        {QStringLiteral("bookings"),
         QStringLiteral("Zeitbuchungen eines Mitarbeiters auflisten"),
         QStringLiteral("Aufruf: karven-admin bookings --firma F --pnr N [Optionen]\n\n"
                        "Listet die Zeitbuchungen eines Mitarbeiters nach Zeitpunkt: Id,\n"
                        "Zeitpunkt, Karte und Buchungstext, durch Tabulatoren getrennt.\n"),
         {company(Required), text("pnr", "N", &AdminOptions::employee, Required)},
         listBookings},
        {QStringLiteral("import"),
         QStringLiteral("Stammdaten aus CSV-Dateien übernehmen"),
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
             "  --dry-run    nur prüfen und zählen, nichts speichern\n"),
         {importFile("abteilungen"), importFile("mitarbeiter"), importFile("benutzer"),
          importFile("karten"), toggle("dry-run", &AdminOptions::dryRun)},
         importFiles,
         {{OptionGroup::AtLeastOne,
           {QStringLiteral("abteilungen"), QStringLiteral("mitarbeiter"),
            QStringLiteral("benutzer"), QStringLiteral("karten")},
           QStringLiteral("import braucht mindestens eine Datei: --abteilungen, --mitarbeiter, "
                          "--benutzer oder --karten")}}},
        {QStringLiteral("swipes"),
         QStringLiteral("Stempeluhr-Dateien einlesen, auch laufend aus einem Ordner"),
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
             "  --firma F        Firma der Stempelungen ohne Spalte Firma (Vorgabe: 1)\n"),
         {text("file", "DATEI", &AdminOptions::file),
          text("watch", "ORDNER", &AdminOptions::watchFolder), company()},
         importSwipes,
         {{OptionGroup::ExactlyOne,
           {QStringLiteral("file"), QStringLiteral("watch")},
           QStringLiteral("swipes braucht entweder --file DATEI oder --watch ORDNER")}}},
        {QStringLiteral("export"),
         QStringLiteral("Zeitbuchungen eines Zeitraums für die Lohnabrechnung (CSV, xlsx)"),
         QStringLiteral(
             "Aufruf: karven-admin export --von TAG --bis TAG\n"
             "                           --csv DATEI | --xlsx DATEI (oder beide)\n"
             "                           [--firma F] [--pnr N] [--force] [Optionen]\n\n"
             "Schreibt die Zeitbuchungen eines Zeitraums für die Lohnabrechnung in eine\n"
             "CSV-Datei für Lohnprogramme (Semikolon, UTF-8 mit BOM) und/oder eine\n"
             "Excel-Arbeitsmappe (Datum und Uhrzeit als solche, Nummern als Text):\n"
             "Firma, Personalnummer, Name, Vorname, Datum, Uhrzeit, Art (Kommen/Gehen),\n"
             "Terminal, Karte; nach Firma, Mitarbeiter und Zeit geordnet.\n\n"
             "  --von, --bis    erster und letzter Tag, beide eingeschlossen (TT.MM.JJJJ\n"
             "                  oder JJJJ-MM-TT)\n"
             "  --firma F       nur diese Firma (sonst alle)\n"
             "  --pnr N         nur dieser Mitarbeiter\n"
             "  --force         vorhandene Dateien ersetzen\n"),
         {day("von", &AdminOptions::periodStart, Required),
          day("bis", &AdminOptions::periodEnd, Required), csvFile, xlsxFile, company(), pnr, force},
         exportTimeBookings,
         {{OptionGroup::AtLeastOne,
           {QStringLiteral("csv"), QStringLiteral("xlsx")},
           QStringLiteral("export braucht --csv DATEI, --xlsx DATEI oder beide")}}},
        {QStringLiteral("server"),
         QStringLiteral("Einträge der Serverliste zeigen, anlegen, ändern, löschen"),
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
             "  --entry-server HOST  --entry-port N  --entry-namespace NS\n"),
         {entryPart("id", "N"), entryPart("name", "NAME"), company(ServerEntry),
          entryPart("filiale", "N"), entryPart("type", "T"), entryPart("entry-server", "HOST"),
          entryPart("entry-port", "N"), entryPart("entry-namespace", "NS")},
         manageServerEntries,
         {},
         {{QStringLiteral("list"), {}},
          {QStringLiteral("add"), {QStringLiteral("id")}},
          {QStringLiteral("change"), {QStringLiteral("id")}},
          {QStringLiteral("remove"), {QStringLiteral("id")}}},
         QStringLiteral("server braucht list, add, change oder remove")},
        {QStringLiteral("config"),
         QStringLiteral("Datenbank-Engine des Programms für diesen Benutzer festlegen"),
         QStringLiteral(
             "Aufruf: karven-admin config [--engine sqlite|postgres]\n\n"
             "Zeigt, welche Datenbank-Engine das Programm für diesen Benutzer nimmt und\n"
             "woher die Wahl kommt. Mit --engine wird sie in den Einstellungen des Programms\n"
             "gespeichert (~/.config/KARVEN/KARVEN.conf), so dass auch ein Start aus dem\n"
             "Anwendungsmenü sie nimmt. KARVEN_ENGINE geht weiterhin vor.\n"),
         // Here --engine is what to store; read like everywhere else.
         {commonOptions().at(0)},
         configureEngine},
        {QStringLiteral("grant"),
         QStringLiteral("einer PostgreSQL-Rolle geben, was ein Arbeitsplatz darf"),
         QStringLiteral(
             "Aufruf: karven-admin grant --role ROLLE [Optionen]\n\n"
             "Gibt einer vorhandenen PostgreSQL-Rolle, was ein Arbeitsplatz braucht: sich\n"
             "mit der Datenbank verbinden und die Serverfunktionen des Programms aufrufen.\n"
             "Tabellen darf die Rolle weder lesen noch ändern. Läuft mit der\n"
             "Eigentümerrolle; die Rolle eines Arbeitsplatzes legt ein Administrator\n"
             "vorher mit psql an (CREATE ROLE ... LOGIN PASSWORD ...).\n\n"
             "  --role ROLLE        die Rolle der Arbeitsplätze\n"),
         {text("role", "ROLLE", &AdminOptions::role, Required)},
         grantWorkstationRole},
        {QStringLiteral("log"),
         QStringLiteral("Protokoll der Kartenzuordnungen zeigen oder als CSV/xlsx schreiben"),
         QStringLiteral(
             "Aufruf: karven-admin log [--firma F] [--card KARTE] [--pnr N] [--day TAG]\n"
             "                        [--csv DATEI] [--xlsx DATEI] [--force] [Optionen]\n\n"
             "Zeigt das Protokoll der Kartenzuordnungen einer Firma, älteste zuerst: Nr,\n"
             "Zeitpunkt, Firma, Karte, bisheriger und neuer Mitarbeiter, Art (Zuordnung,\n"
             "Wechsel oder Korrektur), wer zugeordnet hat, die dabei gebuchten und die vom\n"
             "bisherigen Mitarbeiter umgebuchten Buchungen; durch Tabulatoren getrennt.\n\n"
             "  --firma F           Firma (Vorgabe: 1)\n"
             "  --card KARTE        nur diese Karte\n"
             "  --pnr N             nur Zuordnungen an oder weg von diesem Mitarbeiter\n"
             "  --day TAG           nur Zuordnungen dieses Tages (TT.MM.JJJJ oder JJJJ-MM-TT)\n"
             "  --csv DATEI         als CSV-Datei für eine Tabellenkalkulation schreiben\n"
             "                      (Semikolon, UTF-8); eine vorhandene Datei nur mit --force\n"
             "  --xlsx DATEI        als Excel-Arbeitsmappe schreiben, Zeitpunkte als Datum\n"
             "                      und Uhrzeit, Nummern als Text; auch mit --csv zusammen\n"),
         {company(), text("card", "KARTE", &AdminOptions::card), pnr,
          day("day", &AdminOptions::day), csvFile, xlsxFile, force},
         showAssignmentLog},
        {QStringLiteral("check"),
         QStringLiteral("Datenbank prüfen (Integrität, Version, Einträge)"),
         QStringLiteral("Aufruf: karven-admin check [Optionen]\n\n"
                        "Prüft die Datenbank des Namespace und ändert nichts: SQLites\n"
                        "Integritätsprüfung, die Schemaversion und die Zahl der Einträge je\n"
                        "Tabelle. Exit-Status 1, wenn die Datenbank beschädigt ist.\n"),
         {},
         checkDatabase},
        {QStringLiteral("site-check"),
         QStringLiteral("PostgreSQL-Filiale prüfen: Rollen, Kennwörter, Firmeneintrag,\n"
                        "Serverliste"),
         QStringLiteral(
             "Aufruf: karven-admin site-check [--role ROLLE] [Optionen]\n\n"
             "Prüft eine PostgreSQL-Filiale, wie die Arbeitsplätze sie brauchen, und ändert\n"
             "nichts: meldet sich als Eigentümerrolle an und mit --role als\n"
             "Arbeitsplatzrolle, und nennt, was fehlt oder falsch ist: eine Rolle, die ohne\n"
             "Kennwort hereinkommt (trust-Zeile in pg_hba.conf), eine Rolle, die nicht\n"
             "hereinkommt oder die Serverfunktionen nicht aufrufen darf, eine Kennwortdatei\n"
             "(~/.pgpass), die PostgreSQL übergeht oder deren Zeilen nicht passen, einen\n"
             "fehlenden Firmeneintrag, Servereinträge, die zu keinem Server führen, und\n"
             "eine Datenbank älter als dieses Programm. Exit-Status 1 bei einem Befund.\n\n"
             "  --role ROLLE        die Rolle der Arbeitsplätze (Kennwort aus derselben\n"
             "                      Kennwortdatei)\n"),
         {text("role", "ROLLE", &AdminOptions::role)},
         checkSite},
        {QStringLiteral("backup"),
         QStringLiteral("SQLite-Datenbank in eine Datei sichern"),
         QStringLiteral("Aufruf: karven-admin backup --to DATEI [--force] [Optionen]\n\n"
                        "Sichert die SQLite-Datenbank des Namespace in DATEI, auch während das\n"
                        "Programm läuft: der Stand eines Augenblicks, ohne halbe Änderungen.\n"
                        "Eine vorhandene DATEI wird nur mit --force überschrieben.\n"
                        "Für PostgreSQL ist pg_dump das Werkzeug.\n"),
         {text("to", "DATEI", &AdminOptions::file, Required | WritesFile), force},
         backupDatabase},
        {QStringLiteral("restore"),
         QStringLiteral("SQLite-Datenbank aus einer Sicherung wiederherstellen"),
         QStringLiteral(
             "Aufruf: karven-admin restore --from DATEI [Optionen]\n\n"
             "Ersetzt den Inhalt der SQLite-Datenbank des Namespace durch die Sicherung\n"
             "in DATEI, auch während das Programm läuft. DATEI muss eine KARVEN-Datenbank\n"
             "sein, höchstens von der Version dieses Programms, sonst bleibt alles\n"
             "unverändert; eine ältere wird auf den aktuellen Stand gebracht. Die ersetzte\n"
             "Datenbank bleibt als Kopie daneben liegen (die Ausgabe nennt sie), und neue\n"
             "Einträge bekommen Nummern über allen, die sie schon vergeben hatte.\n"
             "Für PostgreSQL sind pg_restore und psql das Werkzeug.\n"),
         {text("from", "DATEI", &AdminOptions::file, Required)},
         restoreDatabase},
    };
    return commands;
}

const QVector<CommandOption> &commonOptions()
{
    static const QVector<CommandOption> options = {
        text("engine", "sqlite|postgres", nullptr),
        text("server", "HOST", nullptr),
        text("port", "N", nullptr),
        text("namespace", "NS", nullptr),
    };
    return options;
}

const AdminCommand *findCommand(const QString &name)
{
    for (const AdminCommand &command : adminCommands())
        if (command.name == name)
            return &command;
    return nullptr;
}

QVector<CommandOption> optionsOf(const AdminCommand *command)
{
    QVector<CommandOption> options = command ? command->options : QVector<CommandOption>();
    for (const CommandOption &common : commonOptions())
        if (std::none_of(options.cbegin(), options.cend(),
                         [&](const CommandOption &own) { return own.name == common.name; }))
            options << common;
    return options;
}

std::optional<bool> optionTakesValue(const QString &name)
{
    for (const AdminCommand &command : adminCommands())
        for (const CommandOption &option : optionsOf(&command))
            if (option.name == name)
                return !option.valueName.isEmpty();
    return std::nullopt;
}

QStringList synopsis(const AdminCommand &command)
{
    QString head = command.name;
    if (!command.actions.isEmpty()) {
        QStringList words;
        for (const CommandAction &action : command.actions)
            words << action.word;
        head += QLatin1Char(' ') + words.join(QLatin1Char('|'));
    }
    // Options that exclude each other make a form each; otherwise there is one.
    QStringList alternatives{QString()};
    for (const OptionGroup &group : command.groups)
        if (group.need == OptionGroup::ExactlyOne)
            alternatives = group.names;
    QStringList forms;
    for (const QString &chosen : alternatives) {
        QString form = head;
        for (const CommandOption &option : command.options) {
            const bool alternative = alternatives.contains(option.name);
            if (alternative && option.name != chosen)
                continue;
            QString written = QStringLiteral("--") + option.name;
            if (!option.valueName.isEmpty())
                written += QLatin1Char(' ') + option.valueName;
            const bool required = (option.rules & Required) || alternative;
            form += QLatin1Char(' ') +
                    (required ? written : QLatin1Char('[') + written + QLatin1Char(']'));
        }
        forms << form;
    }
    return forms;
}

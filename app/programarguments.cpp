#include "app/programarguments.h"

ProgramArguments parseProgramArguments(const QStringList &arguments)
{
    ProgramArguments result;
    // "-h" only as the first word: there a login command line has its company
    // number, while further on it could be a password.
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("-h"))
        result.help = true;
    for (const QString &argument : arguments.mid(result.help ? 1 : 0)) {
        if (argument == QLatin1String("--help"))
            result.help = true;
        else if (argument == QLatin1String("--version"))
            result.version = true;
        else
            result.words << argument;
    }
    return result;
}

QString programHelpText()
{
    return QStringLiteral(
        "Aufruf: karven [FIRMA FILIALE CODE PASSWORT SERVER PORT NAMESPACE [WJ] [EXTRA]]\n"
        "        karven --help | -h | --version\n"
        "\n"
        "KARVEN Kartenzuordnung: ordnet die Karten nicht zugeordneter Kartenbuchungen\n"
        "den Mitarbeitern zu.\n"
        "\n"
        "Ohne Befehlszeile fragt das Programm nach dem Passwort und nimmt Server, Port,\n"
        "Firma, Filiale und Namespace aus den Einstellungen. Die Befehlszeile mit bis zu\n"
        "neun Wörtern gilt nur, wenn FIRMA und FILIALE Zahlen sind und CODE höchstens drei\n"
        "Zeichen hat und keine Zahl ist; fehlende Wörter: 1 0 \"\" \"\" localhost 1973 KARVEN.\n"
        "Beispiel: karven 1 0 ADM karven localhost 1973 KARVEN\n"
        "\n"
        "Optionen:\n"
        "  --help, -h diese Hilfe (-h nur als erstes Wort)\n"
        "  --version  Versionsnummer\n"
        "\n"
        "Umgebung:\n"
        "  KARVEN_ENGINE    Datenbank-Engine: sqlite (Vorgabe) oder postgres\n"
        "  KARVEN_DATA_DIR  Ordner der SQLite-Datenbanken (Vorgabe: ~/.local/share/karven)\n"
        "  PGUSER, PGPASSWORD, PGSERVICE  Anmeldung am PostgreSQL-Server\n"
        "\n"
        "Einstellungen: ~/.config/VB and VBA Program Settings/Cache Login.conf (Anmeldung),\n"
        "~/.config/KARVEN/KARVEN.conf (Engine). Siehe man karven.\n");
}

QString programVersionText()
{
    return QStringLiteral("karven " KARVEN_VERSION "\n");
}

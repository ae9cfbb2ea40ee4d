// karven-admin's command line as a user meets it: the exact German message and
// exit code of each kind of mistake, and the manual's synopsis against the commands.

#include "tests/tools/adminprocess.h"
#include "tools/commandline/commandtable.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

// A man page line's text as it reads: font macros and escapes gone.
QString manText(const QString &line)
{
    QString text = line;
    if (text.startsWith(QLatin1Char('.'))) {
        const QString macro = text.section(QLatin1Char(' '), 0, 0);
        QStringList words;
        static const QRegularExpression word(QStringLiteral("\"([^\"]*)\"|(\\S+)"));
        for (auto match = word.globalMatch(text.mid(macro.size())); match.hasNext();) {
            const QRegularExpressionMatch next = match.next();
            words << (next.hasCaptured(1) ? next.captured(1) : next.captured(2));
        }
        // .B and .I join their words with blanks, .BI, .RB and the like alternate fonts without.
        text = words.join(macro.size() == 2 ? QStringLiteral(" ") : QString());
    }
    static const QRegularExpression fonts(QStringLiteral("\\\\f[BIRP]"));
    return text.remove(fonts).replace(QStringLiteral("\\-"), QStringLiteral("-"));
}

// The synopsis lines of each command in the manual's section BEFEHLE: what
// follows .TP (or .TQ for a further form) up to the description.
QMultiHash<QString, QString> manualSynopses()
{
    QFile page(QStringLiteral(KARVEN_MAN_PAGE));
    if (!page.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(page.readAll()).split(QLatin1Char('\n'));
    QMultiHash<QString, QString> synopses;
    const qsizetype start = lines.indexOf(QStringLiteral(".SH BEFEHLE"));
    QStringList form;
    bool inHeader = false;
    for (qsizetype i = start + 1; start >= 0 && i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.startsWith(QLatin1String(".SH")) || line.startsWith(QLatin1String(".PP")))
            break;
        const bool ends = line == QLatin1String(".TQ") || line == QLatin1String(".br") ||
                          !line.startsWith(QLatin1Char('.'));
        if (inHeader && ends && !form.isEmpty()) {
            const QString synopsis = form.join(QLatin1Char(' ')).simplified();
            synopses.insert(synopsis.section(QLatin1Char(' '), 0, 0), synopsis);
            form.clear();
        }
        if (line == QLatin1String(".TP") || line == QLatin1String(".TQ"))
            inHeader = true;
        else if (!line.startsWith(QLatin1Char('.')))
            inHeader = false;
        else if (inHeader && line != QLatin1String(".br"))
            form << manText(line);
    }
    return synopses;
}

} // namespace

class TestAdminCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mistakesAreNamedInGerman_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << "Kein Befehl angegeben";
        QTest::newRow("unknown command")
            << QStringList{"frobnicate"} << "Unbekannter Befehl \"frobnicate\"";
        QTest::newRow("word too many")
            << QStringList{"create", "seed"} << "Überzähliges Argument \"seed\"";
        QTest::newRow("word too many after an action")
            << QStringList{"server", "list", "add"} << "Überzähliges Argument \"add\"";
        QTest::newRow("unknown option with value")
            << QStringList{"unassigned", "--bogus=3"} << "Unbekannte Option \"--bogus=3\"";
        QTest::newRow("option with one dash")
            << QStringList{"book", "-card", "5"} << "Unbekannte Option \"-card\"";
        QTest::newRow("end of options")
            << QStringList{"unassigned", "--"} << "Unbekannte Option \"--\"";
        QTest::newRow("switch with value")
            << QStringList{"seed", "--force=ja"} << "Option --force nimmt keinen Wert";
        QTest::newRow("value missing before an option")
            << QStringList{"book", "--card", "--firma", "1"} << "Option --card braucht einen Wert";
        QTest::newRow("blank value")
            << QStringList{"book", "--card", " "} << "Option --card braucht einen Wert";
        QTest::newRow("option of another command")
            << QStringList{"config", "--card", "5"}
            << "Option --card gilt nicht für den Befehl config";
        QTest::newRow("required option")
            << QStringList{"bookings", "--firma", "1"} << "Option --pnr fehlt";
        QTest::newRow("no action")
            << QStringList{"server"} << "server braucht list, add, change oder remove";
        QTest::newRow("action without its option")
            << QStringList{"server", "change", "--name", "x"} << "Option --id fehlt";
        QTest::newRow("company out of range")
            << QStringList{"server", "list", "--firma", "10000"}
            << "--firma \"10000\" ist keine Firmennummer von 1 bis 9999";
        QTest::newRow("no such day")
            << QStringList{"log", "--day", "31.02.2024"}
            << "--day \"31.02.2024\" ist kein Tag (TT.MM.JJJJ oder JJJJ-MM-TT)";
        QTest::newRow("period backwards")
            << QStringList{"export", "--von", "31.01.2024", "--bis", "2024-01-30", "--csv", "x"}
            << "--bis liegt vor --von";
        QTest::newRow("booking number")
            << QStringList{"reopen", "--id", "12x"} << "--id \"12x\" ist keine Buchungsnummer";
        QTest::newRow("no file to import")
            << QStringList{"import", "--dry-run"}
            << "import braucht mindestens eine Datei: --abteilungen, --mitarbeiter, --benutzer "
               "oder --karten";
        QTest::newRow("no file to export")
            << QStringList{"export", "--von", "1.1.2024", "--bis", "1.1.2024"}
            << "export braucht --csv DATEI, --xlsx DATEI oder beide";
        QTest::newRow("file and folder")
            << QStringList{"swipes", "--file", "a", "--watch", "b"}
            << "swipes braucht entweder --file DATEI oder --watch ORDNER";
        QTest::newRow("one file named twice")
            << QStringList{"log", "--csv", "a", "--xlsx", "./a", "--force"}
            << "--csv und --xlsx nennen dieselbe Datei";
        QTest::newRow("port") << QStringList{"create", "--port", "70000"}
                              << "--port \"70000\" ist keine Portnummer von 1 bis 65535";
        QTest::newRow("engine")
            << QStringList{"check", "--engine=oracle"}
            << "Unbekannte Datenbank-Engine \"oracle\": erlaubt sind sqlite und postgres";
    }

    void mistakesAreNamedInGerman()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Outcome outcome = runAdminProgram(arguments);
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.err,
                 QStringLiteral("karven-admin: %1\nHilfe: karven-admin --help\n").arg(message));
        QVERIFY(outcome.out.isEmpty());
    }

    // Help goes before what else is wrong, except a line Qt could not read.
    void helpIsAnsweredForEveryCommand()
    {
        for (const AdminCommand &command : adminCommands()) {
            const Outcome help =
                runAdminProgram({command.name, QStringLiteral("--force"), QStringLiteral("-h")});
            QCOMPARE(help.exitCode, 0);
            QVERIFY(help.err.isEmpty());
            QVERIFY2(help.out.startsWith(QStringLiteral("Aufruf: karven-admin ") + command.name),
                     qPrintable(command.name));
            QVERIFY(help.out.endsWith(QStringLiteral("2 falscher Aufruf.\n")));
            for (const CommandOption &option : command.options)
                QVERIFY2(help.out.contains(QStringLiteral("--") + option.name),
                         qPrintable(command.name + QStringLiteral(" --") + option.name));
        }
        const Outcome general =
            runAdminProgram({QStringLiteral("frobnicate"), QStringLiteral("--help")});
        QCOMPARE(general.exitCode, 0);
        for (const AdminCommand &command : adminCommands())
            QVERIFY(general.out.contains(QStringLiteral("\n  ") + command.name.leftJustified(12) +
                                         command.summary.section(QLatin1Char('\n'), 0, 0)));
        QCOMPARE(runAdminProgram(
                     {QStringLiteral("book"), QStringLiteral("--card"), QStringLiteral("--help")})
                     .exitCode,
                 2);
    }

    // Every option means the same kind of thing in every command that takes it.
    void anOptionTakesAValueEverywhereOrNowhere()
    {
        for (const AdminCommand &command : adminCommands())
            for (const CommandOption &option : optionsOf(&command))
                QVERIFY2(*optionTakesValue(option.name) == !option.valueName.isEmpty(),
                         qPrintable(command.name + QStringLiteral(" --") + option.name));
    }

    void manualShowsTheCommandsAsTheyAre()
    {
        const QMultiHash<QString, QString> manual = manualSynopses();
        QVERIFY(!manual.isEmpty());
        QStringList named;
        for (const AdminCommand &command : adminCommands()) {
            QStringList forms = manual.values(command.name);
            std::reverse(forms.begin(), forms.end()); // QMultiHash gives the last inserted first
            QCOMPARE(forms, synopsis(command));
            named << command.name;
        }
        for (const QString &command : manual.uniqueKeys())
            QVERIFY2(named.contains(command), qPrintable(command));
    }
};

QTEST_GUILESS_MAIN(TestAdminCommandLine)
#include "test_admincommandline.moc"

// Where the login data come from: the command line rule and the settings.

#include "cacheapi/cacheapi.h"
#include "tests/support/fakeports.h"

#include <QTest>

using Field = ServerListPort::Field;

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void qualifyingCommandLines_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("qualifies");
        QTest::newRow("all nine words") << "1 0 ADM geheim srv 1972 NS 2024 x" << true;
        QTest::newRow("three-letter code") << "12 3 ABC" << true;
        QTest::newRow("one-letter code") << "1 0 A" << true;
        QTest::newRow("two numbers only") << "1 0" << true;
        QTest::newRow("signed and decimal numbers") << "-1 2.5 AB" << true;
        QTest::newRow("four-letter code") << "1 0 ABCD" << false;
        QTest::newRow("numeric code") << "1 0 123" << false;
        QTest::newRow("company not numeric") << "A 0 ABC" << false;
        QTest::newRow("branch not numeric") << "1 B ABC" << false;
        QTest::newRow("one number") << "1" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("leading blank") << " 1 0 ABC" << false;
        QTest::newRow("umlaut code") << "1 0 ÄÖÜ" << true;
        QTest::newRow("quote in code") << "1 0 \"x" << true;
        QTest::newRow("control character") << QStringLiteral("1 0 \x01") << true;
        QTest::newRow("very long word") << QStringLiteral("1 0 ") + QString(100000, QLatin1Char('x')) << false;
    }

    void qualifyingCommandLines()
    {
        QFETCH(QString, commandLine);
        QFETCH(bool, qualifies);
        QCOMPARE(KommandozeileQualifiziert(commandLine), qualifies);
    }

    void commandLineSuppliesEverythingWithDefaults()
    {
        FakeWindows windows;
        Verbindung.Kommandozeile = QStringLiteral("7 3 abc");
        AnmeldedatenErmitteln();
        QCOMPARE(Verbindung.Firma, QStringLiteral("7"));
        QCOMPARE(Verbindung.Filiale, QStringLiteral("3"));
        QCOMPARE(Verbindung.Personal, QStringLiteral("abc"));
        QCOMPARE(Verbindung.Passwort, QString());
        QCOMPARE(Verbindung.Server, standardServer);
        QCOMPARE(Verbindung.Port, QStringLiteral("1973"));
        QCOMPARE(Verbindung.Namespace, QStringLiteral("KARVEN"));
        QCOMPARE(Verbindung.ConnString, QStringLiteral("cn_iptcp:localhost[1973]:KARVEN"));
        QVERIFY2(Verbindung.Kommandozeile.isEmpty(), "the command line is consumed");
        // Nothing was asked and no dialog shown; the windows carry the values.
        QVERIFY(windows.ui.inputPrompts.isEmpty());
        QCOMPARE(windows.loginDialog.modalShows, 0);
        QCOMPARE(windows.serverList.fields.value(Field::BFIRMA), QStringLiteral("7"));
        QCOMPARE(windows.serverList.fields.value(Field::BNAMESPACE), QStringLiteral("KARVEN"));
        QCOMPARE(windows.loginDialog.user, QStringLiteral("abc"));
    }

    void emptyWordsOfACommandLineTakeTheirDefaults()
    {
        FakeWindows windows;
        // Two blanks in a row enclose an empty word: the server's default applies.
        Verbindung.Kommandozeile = QStringLiteral("1 0 ADM pw  5432 NS 2024 extra");
        AnmeldedatenErmitteln();
        QCOMPARE(Verbindung.Server, standardServer);
        QCOMPARE(Verbindung.Port, QStringLiteral("5432"));
        QCOMPARE(Verbindung.Namespace, QStringLiteral("NS"));
        QCOMPARE(Verbindung.WJ, QStringLiteral("2024"));
        QCOMPARE(Verbindung.Zusatzparameter, QStringLiteral("extra"));
        QCOMPARE(windows.serverList.fields.value(Field::BWJ), QStringLiteral("2024"));
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_commandline.moc"
